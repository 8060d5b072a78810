#pragma once
// The core's bit colours as Qt colours, for every window that paints register bits.

#include <QColor>

#include "core/chip/bit_colors.h"

namespace widgets {

inline QColor bitColor(bool set) {
    const chip::Rgb rgb = chip::bitColor(set);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace widgets
