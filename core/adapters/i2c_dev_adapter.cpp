#include "core/adapters/i2c_dev_adapter.h"

#include <linux/i2c.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/adapters/access_hint.h"
#include "core/adapters/transfer_arguments.h"
#include "core/adapters/usb_bus_discovery.h"
#include "core/link/miscellaneous.h"

namespace {

constexpr const char* kPrefix = "varenthal: ";

std::string errnoText(int rc) {
    return std::generic_category().message(-rc);
}

std::string hex2(int value) {
    return "0x" + Miscellaneous::ByteToHex(static_cast<unsigned>(value) & 0xFF);
}

// What a failed byte transfer most likely means to someone at the bench.
std::string transferCause(int rc) {
    switch (-rc) {
        case ENXIO:
        case EREMOTEIO:
            return "no answer (not acknowledged; is the board powered and connected?)";
        case ENODEV:
            return "no answer, or the adapter is gone";
        case ETIMEDOUT:
            return "timed out";
        case EAGAIN:
            return "bus busy or arbitration lost";
        case ESHUTDOWN:
            return "the adapter was unplugged";
        default:
            return errnoText(rc);
    }
}

}  // namespace

I2cDevAdapter::I2cDevAdapter(std::string bus, std::string pulseGpio,
                             std::shared_ptr<I2cDevSystem> system, std::shared_ptr<GpioSystem> gpio)
    : bus_(std::move(bus)),
      system_(std::move(system)),
      pulseLine_(std::move(gpio), std::move(pulseGpio)) {}

I2cDevAdapter::~I2cDevAdapter() {
    close();
}

std::int32_t I2cDevAdapter::fail(std::int32_t rc, const std::string& reason) {
    lastError_ = reason;
    system_->diagnostic(kPrefix + reason);
    return rc;
}

std::int32_t I2cDevAdapter::failTransfer(std::int32_t rc, const std::string& reason) {
    // The windows poll several times a second; an unplugged adapter must not flood the
    // terminal, so a failure repeats on standard error only when it changes.
    lastError_ = reason;
    if (rc != reportedTransferError_) system_->diagnostic(kPrefix + reason);
    reportedTransferError_ = rc;
    return rc;
}

std::int32_t I2cDevAdapter::listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) {
    lastError_.clear();
    names.clear();
    if (!bus_.empty()) {
        count = 1;
        names = bus_;
        return 0;
    }
    const auto buses = findUsbI2cBuses(*system_);
    count = static_cast<std::int32_t>(buses.size());
    for (const auto& name : buses) names += (names.empty() ? "" : ",") + name;
    if (buses.empty()) {
        const std::string why = system_->exists(kI2cDevClassDir)
                                    ? "no I2C bus of a USB adapter found"
                                    : "no I2C buses at all (is the i2c-dev module loaded?)";
        fail(0, why + "; other buses are used only when named with --adapter /dev/i2c-N");
    }
    return 0;
}

std::string I2cDevAdapter::permissionHint(const std::string& path) {
    const std::string group = system_->groupOf(path);
    if (!group.empty() && group != "root") {
        return "permission denied on " + path + ": add your user to group '" + group +
               "' (sudo usermod -aG " + group + " $USER, then log in again) or install " +
               kUdevRuleHint;
    }
    return "permission denied on " + path + ": install " + kUdevRuleHint +
           " that gives USB I2C buses to group i2c, then add your user to that group (sudo "
           "usermod -aG i2c $USER, then log in again)";
}

std::int32_t I2cDevAdapter::open(const std::string& name) {
    close();
    lastError_.clear();
    const int fd = system_->openDevice(name);
    if (fd < 0) {
        if (fd == -EACCES || fd == -EPERM) return fail(fd, permissionHint(name));
        if (fd == -ENOENT) {
            return fail(fd, "no such bus " + name + " (is the i2c-dev module loaded?)");
        }
        if (fd == -ENODEV) {
            return fail(fd, name + " is not an I2C bus (not a device node of the i2c-dev driver)");
        }
        return fail(fd, "cannot open " + name + ": " + errnoText(fd));
    }
    auto bus = std::make_unique<Bus>(*system_, fd, name);

    std::uint32_t funcs = 0;
    if (const int rc = system_->functions(fd, funcs); rc < 0) {
        if (rc == -ENOTTY) return fail(rc, name + " is not an I2C bus");
        return fail(rc, "cannot ask " + name + " for its functions: " + errnoText(rc));
    }
    const std::uint32_t needed = I2C_FUNC_SMBUS_READ_BYTE_DATA | I2C_FUNC_SMBUS_WRITE_BYTE_DATA;
    if ((funcs & needed) != needed) {
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%08X", funcs);
        return fail(-EOPNOTSUPP, name + " cannot do SMBus byte-data reads and writes (functions " +
                                     mask + "); this adapter cannot reach the chip");
    }
    open_ = std::move(bus);
    deviceAddress_ = -1;
    reportedTransferError_ = 0;
    return 0;
}

void I2cDevAdapter::close() {
    std::string reason;
    if (pulseLine_.release(reason) < 0) fail(0, reason);
    open_.reset();
    deviceAddress_ = -1;
}

std::int32_t I2cDevAdapter::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                     std::int16_t& c) {
    lastError_.clear();
    switch (selector) {
        case kSelectorPulse:
            return pulse(a);
        case kSelectorWrite:
        case kSelectorRead:
            return byteTransfer(selector == kSelectorWrite, a, b, c);
        default:
            return fail(-EINVAL, "unknown transfer selector " + std::to_string(selector));
    }
}

std::int32_t I2cDevAdapter::byteTransfer(bool write, std::int16_t device, std::int16_t reg,
                                         std::int16_t& data) {
    const char* what = write ? "write" : "read";
    if (const std::string fault = transferArgumentsFault(device, reg, write, data); !fault.empty())
        return fail(-EINVAL, fault);
    if (!open_) return failTransfer(-EBADF, std::string(what) + " failed: no I2C bus is open");

    const std::string where = hex2(device) + " on " + open_->name();
    if (device != deviceAddress_) {
        const int rc = system_->setDeviceAddress(open_->fd(), device);
        if (rc < 0) {
            deviceAddress_ = -1;
            return failTransfer(rc, rc == -EBUSY
                                        ? "address " + where + " is in use by a kernel driver"
                                        : "cannot select device " + where + ": " + errnoText(rc));
        }
        deviceAddress_ = device;
    }

    const auto regByte = static_cast<std::uint8_t>(reg);
    const int rc =
        write ? system_->writeByteData(open_->fd(), regByte, static_cast<std::uint8_t>(data))
              : system_->readByteData(open_->fd(), regByte);
    if (rc < 0) {
        const std::int32_t failed =
            failTransfer(rc, std::string(what) + " of register " + hex2(reg) + " at device " +
                                 where + " failed: " + transferCause(rc));
        // An unplugged bridge's node goes at once, but the kernel keeps the bus, its number
        // and the USB hub's work waiting until every open file of it is closed: let go now
        // rather than at the next reopen.
        if (!system_->exists(open_->name())) {
            open_.reset();
            deviceAddress_ = -1;
        }
        return failed;
    }
    if (!write) data = static_cast<std::int16_t>(rc & 0xFF);
    reportedTransferError_ = 0;
    return 0;
}

std::int32_t I2cDevAdapter::pulse(std::int16_t onOff) {
    if (onOff != 0 && onOff != 1) {
        return fail(-EINVAL,
                    "programming voltage takes 1 (on) or 0 (off), not " + std::to_string(onOff));
    }
    std::string reason;
    const int rc = onOff == 1 ? pulseLine_.switchOn(reason) : pulseLine_.switchOff(reason);
    return rc < 0 ? fail(rc, reason) : 0;
}

std::int32_t I2cDevAdapter::holdPulseLine(std::string& reason) {
    lastError_.clear();
    const int rc = pulseLine_.hold(reason);
    return rc < 0 ? fail(rc, reason) : 0;
}

std::unique_ptr<Talvex> makeI2cDevAdapter(const std::string& bus, const std::string& pulseGpio) {
    return std::make_unique<I2cDevAdapter>(bus, pulseGpio, makeLinuxI2cDevSystem(),
                                           makeGpioSystem());
}
