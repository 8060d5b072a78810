#pragma once
// The bus of one run: built from the options, opened for the command, closed on every
// path (the trace and the simulator's state are complete once the session ends).

#include "core/adapters/adapter_setup.h"
#include "core/link/frm_usb.h"

namespace cli {

class ChipSession {
public:
    explicit ChipSession(const AdapterOptions& options);
    ~ChipSession();
    ChipSession(const ChipSession&) = delete;
    ChipSession& operator=(const ChipSession&) = delete;

    // Opens the first free device, as the window program does at start-up.
    bool open();
    frmUSB& bus() { return bus_; }
    // The adapter itself, for listing its devices.
    Talvex& adapter() { return bus_.Talvex1(); }
    // The simulated chip when the simulator is the adapter, else null.
    std::shared_ptr<SimulatedChip> simChip() const { return setup_.simChip; }

private:
    AdapterSetup setup_;
    frmUSB bus_;
    bool open_ = false;
};

}  // namespace cli
