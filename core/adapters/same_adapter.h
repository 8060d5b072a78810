#pragma once
// Finding an adapter again after it went away: a USB bridge that comes back usually gets a
// new bus number, so it is known by its USB serial or port path instead.

#include <string>
#include <vector>

#include "core/adapters/bus_identity.h"

class frmUSB;

// Whether `candidate` is the adapter `remembered` was: the same USB serial or the same USB
// port path; an adapter without either (a named bus, the simulator) only by its bus.
bool sameAdapter(const BusIdentity& remembered, const BusIdentity& candidate);

// One menu line per adapter, in the classic bus listing's order: "i2c-7  1-2.3  name". Spaces,
// not tabs: a menu item shows what follows a tab as its shortcut.
std::string describeAdapter(const BusIdentity& identity);

// The names the adapter lists as free, in its order.
std::vector<std::string> freeAdapterNames(frmUSB& bus);

// Opens the adapter that is `remembered`, looked for among the free ones and, for a USB
// bridge, among all I2C buses under `classDir`; false when it is not there or will not open.
// Sends nothing to the chip.
bool reopenSameAdapter(frmUSB& bus, const BusIdentity& remembered,
                       const std::string& classDir = kSysI2cDevDir);
