#pragma once
// Shared routines that need the window system.

#include <functional>

class QObject;
class QWidget;
class QLineEdit;
class ProgrammingState;

namespace Miscellaneous {

// Waits `seconds` on a monotonic clock while timers, clicks and paints are served.
// Sleeps in the event loop rather than spinning; 0 or less returns at once.
void Delay(float seconds);
// Centres a top-level window on its screen's free area; a window larger than the area
// starts at its top-left corner.
void CenterForm(QWidget* window);
// Selects the whole text of a text box.
void SelectAllText(QLineEdit* box);

// Keeps a chip-writing control disabled while the EEPROM programming runs on the bus that
// `programming` belongs to (the bus must outlive the control); applies the present state at once
// and stops when `control` is destroyed.
void DisableWhileProgramming(QWidget* control, ProgrammingState& programming);

// Twips (1/1440 inch) to pixels at the screen's logical DPI.
int Twips(int twips);

}  // namespace Miscellaneous
