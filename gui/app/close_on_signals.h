#pragma once
// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the window program through the main window's close
// step, so that they leave the chip as a close does: disarmed, the voltage off. The handler
// only writes the signal's number to a pipe; the event loop reads it and closes the window.

class QWidget;

// Installs the handlers for the life of the process; `window` is closed on the first signal.
// Returns false (and installs nothing) when the pipe cannot be made.
bool closeOnSignals(QWidget* window);
