#pragma once
// The name of a group id, for the hint on a bus the user may not open.

#include <sys/types.h>

#include <string>

// The group's name; "" when it has none that can be found.
std::string groupName(gid_t gid);
