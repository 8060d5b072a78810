#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "gui/app/session_end.h"

namespace {

// Windows asks every top-level window whether the session may end (WM_QUERYENDSESSION),
// then tells it that it ends (WM_ENDSESSION); once that message returns, the process may be
// ended at any moment. So the close step, with its safe end of any programming run, runs
// inside it.
class SessionEndFilter : public QObject, public QAbstractNativeEventFilter {
public:
    // Lives as the window's child; its base class takes it off the dispatcher when it goes.
    explicit SessionEndFilter(QWidget* window) : QObject(window), window_(window) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG" && type != "windows_dispatcher_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        switch (msg->message) {
            case WM_QUERYENDSESSION:
                // Closing never asks for confirmation, so neither does the session's end.
                *result = TRUE;
                return true;
            case WM_ENDSESSION:
                if (msg->wParam && window_) window_->close();
                *result = 0;
                return true;
            default:
                return false;
        }
    }

private:
    QPointer<QWidget> window_;
};

}  // namespace

void closeOnSessionEnd(QWidget* window) {
    QCoreApplication::instance()->installNativeEventFilter(new SessionEndFilter(window));
}
