#include "core/adapters/hid_bridge.h"

#include "core/adapters/cp2112_bridge.h"
#include "core/adapters/mcp2221_bridge.h"

std::unique_ptr<HidBridge> makeHidBridge(std::uint16_t vendorId, std::uint16_t productId,
                                         HidDevice& device) {
    if (vendorId == kCp2112.vendorId && productId == kCp2112.productId)
        return std::make_unique<Cp2112Bridge>(device);
    if (vendorId == kMcp2221.vendorId && productId == kMcp2221.productId)
        return std::make_unique<Mcp2221Bridge>(device);
    return nullptr;
}
