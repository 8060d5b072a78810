#pragma once
// The system's requests to stop end the window program through the main window's close
// step, so that they leave the chip as a close does: disarmed, the voltage off. On Linux
// these are SIGINT, SIGTERM, SIGHUP and SIGQUIT (the handler only writes the signal's number
// to a pipe; the event loop reads it and closes the window); on Windows Ctrl+C, Ctrl+Break
// and the closing of the console the program was started from.

class QWidget;

// Installs the handlers for the life of the process; `window` is closed on the first request.
// Returns false (and installs nothing) when that cannot be done.
bool closeOnSignals(QWidget* window);
