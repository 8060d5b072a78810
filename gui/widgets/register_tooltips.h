#pragma once
// Tooltips that say what a bit or a field of the chip means, from the register map, rather
// than repeating the caption the user already sees.

#include <QString>

#include "core/chip/register_map.h"

namespace tooltips {

// "OV_CFG bit 1 (OV1): Cell over-voltage threshold"
QString bit(unsigned address, unsigned bit);
// "OV_CFG bits 2-0: Cell over-voltage threshold"; empty for a field of no register.
QString field(const chip::Field& field);

}  // namespace tooltips
