#pragma once
// The status lamps' pictures, drawn at run time: a round lamp, dark when unlit and bright
// with a highlight when lit. All red lamps share one pair.

#include <QPixmap>

namespace lamps {

enum class Colour { Red, Green };

// A lamp of `sizePx` square pixels.
QPixmap picture(Colour colour, bool lit, int sizePx);

}  // namespace lamps
