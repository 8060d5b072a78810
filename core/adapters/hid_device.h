#pragma once
// The HID calls of the USB bridges, behind an interface so that emulators of the bridges can
// stand in for hidapi in tests. Reports are raw bytes; the first byte is the report ID (0
// for a device that numbers none), as hidapi takes and gives them. Results are >= 0 on
// success (a byte count), else -errno.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class HidDevice {
public:
    virtual ~HidDevice() = default;

    // One output report, report ID first.
    virtual int write(std::span<const std::uint8_t> report) = 0;
    // One input report into `buffer` (report ID first where the device numbers its reports);
    // 0 when none came within `timeoutMs`.
    virtual int read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    // A feature report: `buffer[0]` names it on the way in; its bytes on the way out.
    virtual int getFeature(std::span<std::uint8_t> buffer) = 0;
    virtual int sendFeature(std::span<const std::uint8_t> report) = 0;
};

struct HidDeviceInfo {
    std::string path;  // what open() takes: /dev/hidrawN, or a Windows device path
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string serial;   // the USB serial number; empty when the device has none
    std::string product;  // the USB product string
    std::string usbPath;  // the USB port path ("1-2.3"); empty where the system does not tell
    // The kernel driver that has the bridge ("cp2112"); empty when none but the generic one.
    std::string kernelDriver;
};

class HidSystem {
public:
    virtual ~HidSystem() = default;

    // The HID devices with one of these USB IDs, in the system's order.
    virtual std::vector<HidDeviceInfo> enumerate(
        std::span<const std::pair<std::uint16_t, std::uint16_t>> ids) = 0;
    // Why the last enumerate() could not ask the system at all; empty when it could.
    virtual std::string enumerateFailure() const { return {}; }
    // Opens one by its path; null with `error` (-errno) and `reason` set when it cannot.
    virtual std::unique_ptr<HidDevice> open(const std::string& path, int& error,
                                            std::string& reason) = 0;
};

// hidapi, or null in a build without it.
std::shared_ptr<HidSystem> makeHidSystem();
