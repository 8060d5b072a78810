// The HID calls straight on the kernel's hidraw interface, for the statically linked
// varenthal-cli: hidapi's Linux flavour needs libudev, which exists only as a shared library.
// Devices and their USB strings are found in sysfs, as hidapi finds them through udev.

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/adapters/hid_device.h"
#include "core/adapters/hid_node.h"

namespace fs = std::filesystem;

namespace {

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

class HidrawDevice final : public HidDevice {
public:
    explicit HidrawDevice(int fd) : fd_(fd) {}
    ~HidrawDevice() override { ::close(fd_); }
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    int write(std::span<const std::uint8_t> report) override {
        const ssize_t n = ::write(fd_, report.data(), report.size());
        return n < 0 ? -errno : static_cast<int>(n);
    }
    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0) return -errno;
        if (ready == 0) return 0;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return -ENODEV;
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        return n < 0 ? -errno : static_cast<int>(n);
    }
    int getFeature(std::span<std::uint8_t> buffer) override {
        const int n = ::ioctl(fd_, HIDIOCGFEATURE(buffer.size()), buffer.data());
        return n < 0 ? -errno : n;
    }
    int sendFeature(std::span<const std::uint8_t> report) override {
        const int n = ::ioctl(fd_, HIDIOCSFEATURE(report.size()), report.data());
        return n < 0 ? -errno : n;
    }

private:
    int fd_;
};

class HidrawSystem final : public HidSystem {
public:
    std::vector<HidDeviceInfo> enumerate(
        std::span<const std::pair<std::uint16_t, std::uint16_t>> ids) override {
        std::vector<std::pair<int, HidDeviceInfo>> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", ec)) {
            const std::string node = entry.path().filename().string();
            if (node.rfind("hidraw", 0) != 0) continue;
            const fs::path hid = fs::canonical(entry.path() / "device", ec);
            if (ec) continue;
            unsigned bus = 0, vendor = 0, product = 0;
            std::ifstream uevent(hid / "uevent");
            for (std::string line; std::getline(uevent, line);) {
                if (line.rfind("HID_ID=", 0) == 0)
                    std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product);
            }
            bool known = false;
            for (const auto& [v, p] : ids) known = known || (v == vendor && p == product);
            if (!known) continue;
            HidDeviceInfo info;
            info.path = "/dev/" + node;
            info.vendorId = static_cast<std::uint16_t>(vendor);
            info.productId = static_cast<std::uint16_t>(product);
            // The USB device above the HID device holds the strings.
            for (fs::path dir = hid; dir.has_relative_path(); dir = dir.parent_path()) {
                if (fs::exists(dir / "idVendor", ec)) {
                    info.serial = firstLine(dir / "serial");
                    info.product = firstLine(dir / "product");
                    break;
                }
            }
            const HidNodeFacts facts = hidNodeFacts(info.path);
            info.usbPath = facts.usbPath;
            info.kernelDriver = facts.kernelDriver;
            found.emplace_back(std::atoi(node.c_str() + 6), std::move(info));
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<HidDeviceInfo> devices;
        for (auto& [number, info] : found) devices.push_back(std::move(info));
        return devices;
    }

    std::unique_ptr<HidDevice> open(const std::string& path, int& error,
                                    std::string& reason) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            error = -errno;
            reason = std::generic_category().message(errno);
            return nullptr;
        }
        error = 0;
        return std::make_unique<HidrawDevice>(fd);
    }
};

}  // namespace

std::shared_ptr<HidSystem> makeHidSystem() {
    return std::make_shared<HidrawSystem>();
}
