#pragma once
// The bridge on a port of the kernel's USB/IP virtual host controller (vhci-hcd), with no
// network in between: one end of a local stream socket pair goes to the kernel, the program
// serves the other. Each port is a USB device of its own, so one controller carries several
// bridges, each with its own USB path.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Hands the kernel one end of a new socket pair as the device on `port` (high speed) and
// returns the other end; -1 with errno set when the kernel refuses. The kernel looks the
// descriptor up in the process that writes the attach file, so this process must write it.
int attachToVirtualHost(int port, std::uint32_t deviceId,
                        const std::string& attachFile = "/sys/devices/platform/vhci_hcd.0/attach");

// Takes bytes from the host and appends the replies; false when the stream is out of step.
// Called with no bytes every few milliseconds too, so that a device can complete transfers
// that waited for it.
using UsbipHandler =
    std::function<bool(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out)>;

// Serves `handle` on `fd` until the host side goes away (0) or the link fails (1). `tick` runs
// before each batch of commands is answered and every few milliseconds in between.
int serveUsbipLink(int fd, const UsbipHandler& handle, const std::function<void()>& tick);
