#pragma once
// The eeprom commands: show (decode 0x06..0x0A from the chip or a .ee file), save (chip to
// file) and program (file to chip with the core's programming sequence). Input files are
// checked, and questions asked, before the bus opens: see prepareEeprom().

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "cli/cli_options.h"
#include "core/eeprom/eeprom_fields.h"

class frmUSB;
class SimulatedChip;

namespace cli {

// What an eeprom command has checked before the bus opens.
struct EepromPlan {
    std::optional<eeprom::EepromImage> fileImage;  // show FILE, program FILE
    std::vector<std::string> missingKeys;          // its register keys missing or empty
};

// Loads and checks the command's input file and asks the questions it needs (programming,
// overwriting an existing file). Returns kExitOk, or the exit code to leave with after a
// message.
int prepareEeprom(const CliOptions& options, EepromPlan& plan, const Io& io);

// `show` of a file needs no adapter.
bool eepromNeedsChip(const CliOptions& options);

// Runs the command on `bus`, open when eepromNeedsChip() said so and null otherwise;
// `simChip` is the simulated chip behind it, for --power-gpio sim.
int runEeprom(const CliOptions& options, const EepromPlan& plan, frmUSB* bus, const Io& io,
              std::shared_ptr<SimulatedChip> simChip = nullptr);

}  // namespace cli
