#include "core/adapters/hid_node.h"

// Windows binds its own HID driver to the bridges and hidapi speaks through it; the port
// path is not told.
HidNodeFacts hidNodeFacts(const std::string&) {
    return {};
}
