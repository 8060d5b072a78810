#include <hidapi.h>

#include <cerrno>
#include <cwchar>
#include <mutex>

#include "core/adapters/hid_device.h"
#include "core/adapters/hid_node.h"

namespace {

std::string narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) {
        // USB strings of these bridges are plain ASCII; anything else is shown as '?'.
        out += (*text > 0 && *text < 0x7F) ? static_cast<char>(*text) : '?';
    }
    return out;
}

// hidapi reports -1 and leaves the cause in errno where the platform sets it.
int failure() {
    return errno > 0 ? -errno : -EIO;
}

class HidapiDevice final : public HidDevice {
public:
    explicit HidapiDevice(hid_device* device) : device_(device) {}
    ~HidapiDevice() override { hid_close(device_); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int write(std::span<const std::uint8_t> report) override {
        errno = 0;
        const int n = hid_write(device_, report.data(), report.size());
        return n < 0 ? failure() : n;
    }
    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        errno = 0;
        const int n = hid_read_timeout(device_, buffer.data(), buffer.size(), timeoutMs);
        return n < 0 ? failure() : n;
    }
    int getFeature(std::span<std::uint8_t> buffer) override {
        errno = 0;
        const int n = hid_get_feature_report(device_, buffer.data(), buffer.size());
        return n < 0 ? failure() : n;
    }
    int sendFeature(std::span<const std::uint8_t> report) override {
        errno = 0;
        const int n = hid_send_feature_report(device_, report.data(), report.size());
        return n < 0 ? failure() : n;
    }

private:
    hid_device* device_;
};

class HidapiSystem final : public HidSystem {
public:
    HidapiSystem() {
        static std::once_flag once;
        std::call_once(once, [] { hid_init(); });
    }

    std::vector<HidDeviceInfo> enumerate(
        std::span<const std::pair<std::uint16_t, std::uint16_t>> ids) override {
        std::vector<HidDeviceInfo> found;
        failure_.clear();
        for (const auto& [vendor, product] : ids) {
            hid_device_info* list = hid_enumerate(vendor, product);
            // An empty list is no devices, or no way to ask (a system library without the
            // calls hidapi needs): only the error text tells them apart.
            if (!list && failure_.empty()) {
                const std::string why = narrow(hid_error(nullptr));
                if (!why.empty() && why != "Success" && why.rfind("No HID devices", 0) != 0)
                    failure_ = why;
            }
            for (const hid_device_info* d = list; d; d = d->next) {
                HidDeviceInfo info;
                info.path = d->path ? d->path : "";
                info.vendorId = d->vendor_id;
                info.productId = d->product_id;
                info.serial = narrow(d->serial_number);
                info.product = narrow(d->product_string);
                const HidNodeFacts facts = hidNodeFacts(info.path);
                info.usbPath = facts.usbPath;
                info.kernelDriver = facts.kernelDriver;
                found.push_back(std::move(info));
            }
            hid_free_enumeration(list);
        }
        return found;
    }
    std::string enumerateFailure() const override { return failure_; }

    std::unique_ptr<HidDevice> open(const std::string& path, int& error,
                                    std::string& reason) override {
        errno = 0;
        hid_device* device = hid_open_path(path.c_str());
        if (!device) {
            error = failure();
            reason = narrow(hid_error(nullptr));
            return nullptr;
        }
        error = 0;
        return std::make_unique<HidapiDevice>(device);
    }

private:
    std::string failure_;
};

}  // namespace

std::shared_ptr<HidSystem> makeHidSystem() {
    return std::make_shared<HidapiSystem>();
}
