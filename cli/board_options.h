#pragma once
// Several boards in one run: one per --adapter, with --pulse-gpio, --power-gpio and
// --sim-state taken in the same order and --sim-fault N:NAME aimed at board N (a plain NAME
// goes to every board).

#include <string>
#include <vector>

#include "core/adapters/adapter_setup.h"
#include "core/adapters/bus_identity.h"

namespace cli {

struct BoardArguments {
    std::vector<std::string> adapters;  // as given; "usb" stands for every USB bus
    std::vector<std::string> pulseGpios;
    std::vector<std::string> powerGpios;
    std::vector<std::string> simStates;
    std::vector<std::string> simFaults;
};

// Fills `boards` with one checked AdapterOptions per board; `common` gives what every board
// shares (the trace, the scenario). Empty when fine, else a one-line reason.
std::string splitBoards(const BoardArguments& given, const AdapterOptions& common,
                        std::vector<AdapterOptions>& boards,
                        const std::string& classDir = kSysI2cDevDir);

}  // namespace cli
