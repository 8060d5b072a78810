#pragma once
// The colours that show register bits, shared by every view of register bytes
// (the Registers page and the EEPROM preview) so that a "1" always looks the same.

#include <QColor>

namespace bitcolors {

// A bit that is 1: light green.
inline QColor set() {
    return QColor(192, 255, 192);
}
// A bit that is 0: light red.
inline QColor clear() {
    return QColor(255, 192, 192);
}
inline QColor of(bool bit) {
    return bit ? set() : clear();
}

}  // namespace bitcolors
