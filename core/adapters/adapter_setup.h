#pragma once
// Chooses and builds the adapter back-end from the command line, the same way for the
// window program and the command-line tool.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/link/talvex.h"
#include "core/sim/sim_scenario.h"

class SimulatedChip;

struct AdapterOptions {
    // "sim", "i2c-dev" (every USB means), "hid", "hid:SERIAL", "hid:PATH", or a bus path such
    // as /dev/i2c-3
    std::string adapter = "i2c-dev";
    std::string pulseGpio;  // CHIP:LINE of the programming-voltage line, or hid:N of the bridge
    // CHIP:LINE of a fixture's line that cuts the board's supply while driven high, "sim"
    // for the simulator's own supply, or empty: the power cycle after programming.
    std::string powerGpio;
    std::string traceFile;            // empty: no trace
    std::vector<std::string> simFaults;
    std::string simState;
    std::string simScenario;  // a scripted run of faults, see core/sim/sim_scenario.h
};

// A bus named as the classic I2C tools take it (7, i2c-7, /dev/i2c-7 or the adapter's name)
// becomes its device path in `adapter`; "sim", "i2c-dev" and the hid names stay as they are. Empty when it
// is one of these, else a one-line reason.
std::string resolveAdapterName(std::string& adapter);

// Checks the options before anything opens; empty when they are fine, else a one-line reason.
std::string checkAdapterOptions(const AdapterOptions& options);

// What start-up keeps of the chosen back-end.
struct AdapterSetup {
    AdapterOptions options;
    std::shared_ptr<SimulatedChip> simChip;    // set only when the simulator is the adapter
    std::vector<SimScenarioStep> simScenario;  // played from each adapter's first open

    bool simulated() const { return simChip != nullptr; }
    // Builds the adapter chain (back-end, then the trace decorator when asked for). With
    // `standby`, a hardware back-end gets the simulator on that chip beside it (see
    // with_simulator.h), inside the trace.
    std::unique_ptr<Talvex> makeAdapter(std::shared_ptr<SimulatedChip> standby = nullptr) const;
};

// Prepares the back-end that `options` name; call checkAdapterOptions first. For the
// simulator: loads the --sim-state file, sets the --sim-fault conditions and saves the file
// whenever the EEPROM is programmed. Problems with the state file go to `diagnostics`,
// which must outlive the setup; they do not stop the program.
AdapterSetup prepareAdapter(const AdapterOptions& options, std::ostream& diagnostics = std::cerr);
