#include "tests/kernel/bridge/usb_descriptors.h"

#include <linux/usb/ch9.h>

namespace bridge_usb {

const std::array<std::uint8_t, 18> kDeviceDescriptor{18,   USB_DT_DEVICE,
                                                     0x00, 0x02,
                                                     0,    0,
                                                     0,    64,
                                                     0x03, 0x04,
                                                     0x31, 0xc6,
                                                     0x04, 0x01,  // device version 1.04
                                                     0,    0,
                                                     0,    1};

const std::array<std::uint8_t, 18> kConfigDescriptor{9,  USB_DT_CONFIG,
                                                     18, 0,
                                                     1,  1,
                                                     0,  USB_CONFIG_ATT_ONE,
                                                     50,  // 100 mA
                                                     9,  USB_DT_INTERFACE,
                                                     0,  0,
                                                     0,  USB_CLASS_VENDOR_SPEC,
                                                     0,  0,
                                                     0};

const std::array<std::uint8_t, 4> kLanguagesDescriptor{4, USB_DT_STRING, 0x09, 0x04};

}  // namespace bridge_usb
