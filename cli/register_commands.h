#pragma once
// The commands on single registers: list, read, write, dump and status. Each returns the
// tool's exit code; all but `list` need the session to be open.

#include <cstdint>
#include <string>

#include "cli/cli_io.h"

class Communication;
class Talvex;

namespace cli {

// `tellFailure`: the back-end leaves its reason for an empty list to the front end.
int runList(Talvex& adapter, bool tellFailure, const Io& io);
int runRead(const Communication& comm, std::uint8_t address, const Io& io);
int runWrite(const Communication& comm, std::uint8_t address, std::uint8_t data, const Io& io);
int runDump(const Communication& comm, const Io& io);
int runStatus(const Communication& comm, const Io& io);

// Writes outside the control registers ask first (or need --yes).
bool writeNeedsConsent(std::uint8_t address);

// Reads one register; on failure says so on the message stream and returns false.
bool readOrReport(const Communication& comm, std::uint8_t address, std::uint8_t& value,
                  const Io& io);

}  // namespace cli
