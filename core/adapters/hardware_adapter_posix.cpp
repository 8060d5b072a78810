#include "core/adapters/hardware_adapter.h"
#include "core/adapters/hid_adapter.h"
#include "core/adapters/i2c_dev_adapter.h"
#include "core/adapters/i2c_dev_system.h"
#include "core/adapters/usb_adapters.h"
#include "core/adapters/usb_bus_discovery.h"

std::unique_ptr<Talvex> makeHardwareAdapter(const std::string& adapter,
                                            const std::string& pulseGpio) {
    if (namesHidBridge(adapter)) return makeHidAdapter(adapter, pulseGpio);
    if (adapter == "i2c-dev") {
        // A bridge's own pin serves only the bridge spoken to through HID.
        const bool bridgePin = hidPulsePin(pulseGpio).has_value();
        return std::make_unique<UsbAdapters>(
            makeI2cDevAdapter("", bridgePin ? std::string() : pulseGpio),
            makeHidAdapter("hid", pulseGpio, false));
    }
    return makeI2cDevAdapter(adapter, pulseGpio);
}

std::string firstHardwareBus() {
    const std::vector<std::string> found = findUsbI2cBuses(*makeLinuxI2cDevSystem());
    return found.empty() ? std::string() : found.front();
}

bool hardwareAdapterTellsFailures(const std::string& adapter) {
    return !namesHidBridge(adapter);
}
