#include <windows.h>
// after windows.h
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "gui/app/close_on_signals.h"

namespace {

QPointer<QWidget> target;
HANDLE closed = nullptr;  // set once the close step has run

// Runs on a thread of the system's own. Ctrl+C and Ctrl+Break in the console the program
// was started from, and that console being closed, go to the close step on the window's
// thread; for a closing console the system ends the process once this returns, so it
// waits for the close step first (the system allows about five seconds).
BOOL WINAPI forwardControl(DWORD type) {
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [] {
                    if (target) target->close();
                    SetEvent(closed);
                },
                Qt::QueuedConnection);
            if (type == CTRL_CLOSE_EVENT) WaitForSingleObject(closed, 4500);
            return TRUE;
        default:
            return FALSE;  // log-off and shutdown reach the window as session messages
    }
}

}  // namespace

bool closeOnSignals(QWidget* window) {
    closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!closed) return false;
    target = window;
    return SetConsoleCtrlHandler(forwardControl, TRUE) != 0;
}
