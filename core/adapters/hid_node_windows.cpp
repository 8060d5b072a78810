#include "core/adapters/hid_node.h"

// Windows binds its own HID driver to the bridges and hidapi speaks through it; the port
// path is not told.
HidNodeFacts hidNodeFacts(const std::string&) {
    return {};
}

// The system's HID driver needs no rights of its own; a bridge is refused while another
// program holds it.
std::string hidPermissionHint(const std::string& path) {
    return "access denied on " + path + ": close any other program that has the bridge open";
}
