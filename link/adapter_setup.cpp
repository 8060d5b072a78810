#include "link/adapter_setup.h"

#include "chip/sim/sim_adapter.h"
#include "link/i2c_dev_adapter.h"
#include "link/trace_adapter.h"

std::string checkAdapterOptions(const AdapterOptions& options) {
    const std::string& a = options.adapter;
    if (a != "sim" && a != "i2c-dev" && a.rfind("/dev/", 0) != 0) {
        return "unknown adapter '" + a + "' (expected sim, i2c-dev or /dev/i2c-N)";
    }
    if (!options.pulseGpio.empty()) {
        const auto colon = options.pulseGpio.rfind(':');
        const bool lineOk = colon != std::string::npos && colon + 1 < options.pulseGpio.size() &&
                            options.pulseGpio.find_first_not_of("0123456789", colon + 1) ==
                                std::string::npos;
        if (colon == 0 || !lineOk) {
            return "bad --pulse-gpio '" + options.pulseGpio + "' (expected CHIP:LINE)";
        }
    }
    if (a != "sim" && (!options.simFaults.empty() || !options.simState.empty())) {
        return "--sim-fault and --sim-state need --adapter sim";
    }
    return {};
}

AdapterSetup prepareAdapter(const AdapterOptions& options) {
    AdapterSetup setup;
    setup.options = options;
    if (options.adapter == "sim") setup.simChip = std::make_shared<SimulatedChip>();
    return setup;
}

std::unique_ptr<Talvex> AdapterSetup::makeAdapter() const {
    std::unique_ptr<Talvex> adapter;
    if (simChip) {
        adapter = std::make_unique<SimAdapter>(simChip);
    } else {
        const std::string bus = options.adapter == "i2c-dev" ? std::string() : options.adapter;
        adapter = makeI2cDevAdapter(bus, options.pulseGpio);
    }
    if (!options.traceFile.empty()) {
        adapter = std::make_unique<TraceAdapter>(std::move(adapter), options.traceFile);
    }
    return adapter;
}
