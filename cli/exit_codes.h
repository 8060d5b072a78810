#pragma once
// The tool's exit codes, the same for every command; scripts rely on them.

namespace cli {

inline constexpr int kExitOk = 0;
// The chip or the bus failed: a failed transfer, no adapter, VGOOD not set, a read-back
// difference, PFALT, the programming voltage not applied.
inline constexpr int kExitChipFailed = 1;
// Bad usage or bad input: an unknown option, invalid hex, a refused file, an unconfirmed write.
inline constexpr int kExitBadUsage = 2;
// A terminating signal (Ctrl-C, SIGTERM, ...) ended a programming run, after its safe end.
inline constexpr int kExitInterrupted = 130;

}  // namespace cli
