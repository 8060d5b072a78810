#pragma once
// Room for captions placed at fixed positions: another style or font may need more width
// than the design gave, and a cut caption ("Toggle LTC") misleads.

class QWidget;

namespace textroom {

// Widens every captioned child of `root` that no layout manages to at least its size hint,
// growing away from its alignment edge. Children inside layouts get their room from the
// layout's minimum sizes.
void widenToText(QWidget* root);
// The same for one widget whose caption changes at run time.
void widen(QWidget* w);

}  // namespace textroom
