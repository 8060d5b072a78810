#include "core/adapters/adapter_setup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "core/adapters/bus_identity.h"
#include "core/adapters/hardware_adapter.h"
#include "core/adapters/hid_names.h"
#include "core/adapters/trace_adapter.h"
#include "core/adapters/with_simulator.h"
#include "core/base/native_path.h"
#include "core/base/safe_file.h"
#include "core/sim/scenario_adapter.h"
#include "core/sim/sim_adapter.h"
#include "core/sim/sim_fault.h"
#include "core/sim/sim_state_file.h"

namespace {

constexpr long long kMaxGpioNumber = 2147483647;

// Names pass; a number must fit the GPIO interface's int.
bool fitsGpioNumber(const std::string& part) {
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return true;
    const auto first = part.find_first_not_of('0');
    if (first == std::string::npos) return true;
    const std::string digits = part.substr(first);
    return digits.size() < 10 || (digits.size() == 10 && std::stoll(digits) <= kMaxGpioNumber);
}

// Empty when `value` is empty or a CHIP:LINE the kernel's interface can take.
std::string checkGpioLine(const std::string& option, const std::string& value) {
    if (value.empty()) return {};
    const auto colon = value.rfind(':');
    // LINE is an offset or a line name.
    const bool lineOk = colon != std::string::npos && colon + 1 < value.size();
    if (colon == 0 || !lineOk) return "bad " + option + " '" + value + "' (expected CHIP:LINE)";
    // A number too large for the kernel's interface would wrap to a chip or line the user
    // never named.
    const std::string chip = value.substr(0, colon);
    const std::string line = value.substr(colon + 1);
    for (const std::string* part : {&chip, &line}) {
        if (!fitsGpioNumber(*part)) {
            return "bad " + option + " '" + value + "': " + *part + " is out of range (0 to " +
                   std::to_string(kMaxGpioNumber) + ")";
        }
    }
    return {};
}

// The highest pin number of the bridges (CP2112 GPIO7; the MCP2221 has GP0..GP3, checked
// when it opens).
constexpr int kMaxBridgePin = 7;

std::string checkBridgePin(const AdapterOptions& options) {
    const std::optional<int> pin = hidPulsePin(options.pulseGpio);
    if (!pin || *pin > kMaxBridgePin) {
        return "bad --pulse-gpio '" + options.pulseGpio +
               "' (expected hid:N, a pin of the bridge: CP2112 0 to 7, MCP2221 0 to 3)";
    }
    if (!namesHidBridge(options.adapter) && options.adapter != "i2c-dev") {
        return "--pulse-gpio " + options.pulseGpio +
               " is a pin of a USB bridge; it needs --adapter hid, hid:SERIAL or hid:PATH";
    }
    return {};
}

}  // namespace

std::string resolveAdapterName(std::string& adapter) {
    if (adapter == "sim" || adapter == "i2c-dev" || namesHidBridge(adapter)) return {};
    const std::optional<std::string> bus = busDevicePath(adapter);
    if (!bus) {
        return "unknown adapter '" + adapter +
               "' (expected sim, i2c-dev, hid, hid:SERIAL, hid:PATH, a bus as N, i2c-N or "
               "/dev/i2c-N, or an I2C adapter's name)";
    }
    adapter = *bus;
    return {};
}

std::string checkAdapterOptions(const AdapterOptions& options) {
    const std::string& a = options.adapter;
    if (a != "sim" && a != "i2c-dev" && a.rfind("/dev/", 0) != 0 && !namesHidBridge(a)) {
        return "unknown adapter '" + a + "' (expected sim, i2c-dev, hid or /dev/i2c-N)";
    }
    if (options.pulseGpio.rfind(kHidPrefix, 0) == 0) {
        if (std::string why = checkBridgePin(options); !why.empty()) return why;
    } else if (const std::string why = checkGpioLine("--pulse-gpio", options.pulseGpio);
               !why.empty()) {
        return why;
    }
    if (options.powerGpio == "sim") {
        if (a != "sim") return "--power-gpio sim needs --adapter sim";
    } else if (const std::string why = checkGpioLine("--power-gpio", options.powerGpio);
               !why.empty()) {
        return why;
    }
    if (!options.powerGpio.empty() && options.powerGpio == options.pulseGpio) {
        return "--power-gpio and --pulse-gpio name the same line '" + options.powerGpio + "'";
    }
    if (a != "sim" && (!options.simFaults.empty() || !options.simState.empty())) {
        return "--sim-fault and --sim-state need --adapter sim";
    }
    if (!options.simScenario.empty()) {
        if (a != "sim") return "--sim-scenario needs --adapter sim";
        std::string why;
        if (!loadSimScenario(options.simScenario, &why)) return why;
    }
    for (const std::string& fault : options.simFaults) {
        std::string why;
        if (!parseSimFault(fault, &why)) return why;
    }
    if (sameFile(options.traceFile, options.simState)) {
        return "--trace and --sim-state name the same file '" + options.traceFile + "'";
    }
    if (!options.traceFile.empty()) {
        // Found out here rather than as a trace that silently stays empty. Appending
        // creates the file without cutting it; the trace itself starts it afresh.
        std::FILE* file = openFile(options.traceFile, "ab");
        if (!file) {
            return "cannot write trace file '" + options.traceFile + "': " + std::strerror(errno);
        }
        std::fclose(file);
    }
    return {};
}

AdapterSetup prepareAdapter(const AdapterOptions& options, std::ostream& diagnostics) {
    AdapterSetup setup;
    setup.options = options;
    if (options.adapter != "sim") return setup;

    SimulatedChip::Eeprom eeprom = SimulatedChip::kDefaultEeprom;
    if (!options.simState.empty()) {
        const SimStateLoad loaded = loadSimState(options.simState);
        if (loaded.eeprom) eeprom = *loaded.eeprom;
        // The file is left as it is until the EEPROM is programmed again.
        if (!loaded.error.empty()) {
            diagnostics << "sim-state: " << loaded.error
                        << "; using the default EEPROM configuration\n";
        }
    }
    setup.simChip = std::make_shared<SimulatedChip>(eeprom);
    for (const std::string& text : options.simFaults) {
        if (const auto fault = parseSimFault(text)) setup.simChip->apply(*fault);
    }
    if (!options.simScenario.empty()) {
        if (auto scenario = loadSimScenario(options.simScenario)) setup.simScenario = *scenario;
    }
    if (!options.simState.empty()) {
        setup.simChip->setEepromListener(
            [path = options.simState, out = &diagnostics](const SimulatedChip::Eeprom& e) {
                std::string why;
                if (!saveSimState(path, e, &why)) {
                    *out << "sim-state: cannot write '" << path << "': " << why << "\n";
                }
            });
    }
    return setup;
}

std::unique_ptr<Talvex> AdapterSetup::makeAdapter(std::shared_ptr<SimulatedChip> standby) const {
    std::unique_ptr<Talvex> adapter;
    if (simChip) {
        adapter = std::make_unique<SimAdapter>(simChip);
        if (!simScenario.empty()) {
            adapter = std::make_unique<ScenarioAdapter>(
                std::move(adapter), std::make_unique<SimScenarioPlayer>(simChip, simScenario));
        }
    } else {
        adapter = makeHardwareAdapter(options.adapter, options.pulseGpio);
    }
    if (!simChip && standby) {
        adapter = std::make_unique<WithSimulator>(std::move(adapter), std::move(standby));
    }
    if (!options.traceFile.empty()) {
        adapter = std::make_unique<TraceAdapter>(std::move(adapter), options.traceFile);
    }
    return adapter;
}
