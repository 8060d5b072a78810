#pragma once
// What the operating system tells of a HID device beyond hidapi: the USB port it hangs on
// and the kernel driver bound to it, and how access to it is given. One implementation per
// platform.

#include <string>

struct HidNodeFacts {
    std::string usbPath;       // "1-2.3"; empty when unknown
    std::string kernelDriver;  // a driver of the bridge's own; empty for none or the generic one
};

// For a path that hidapi gave.
HidNodeFacts hidNodeFacts(const std::string& path);

// What a user whom the system denies the bridge at `path` can do about it.
std::string hidPermissionHint(const std::string& path);
