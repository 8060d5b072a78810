#pragma once
// A log-off or shutdown ends the window program through the main window's close step, so
// that a session ending during EEPROM programming leaves the chip as a close does: disarmed,
// the voltage off. Where the desktop ends a session with a signal, closeOnSignals covers it.

class QWidget;

// For the life of the application; `window` is closed when the session ends.
void closeOnSessionEnd(QWidget* window);
