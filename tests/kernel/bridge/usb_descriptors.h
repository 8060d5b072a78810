#pragma once
// The descriptors of the bridge as a USB device, one set for every transport, so that the
// host sees the same device however it is attached. Vendor 0x0403 product 0xc631 is the pair
// the i2c-tiny-usb driver binds to.

#include <array>
#include <cstdint>

namespace bridge_usb {

// One configuration with one vendor-specific interface and no endpoints besides ep0.
extern const std::array<std::uint8_t, 18> kDeviceDescriptor;
extern const std::array<std::uint8_t, 18> kConfigDescriptor;
// String descriptor 0: the one language the device speaks (US English).
extern const std::array<std::uint8_t, 4> kLanguagesDescriptor;

}  // namespace bridge_usb
