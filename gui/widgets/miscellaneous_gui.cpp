#include "gui/widgets/miscellaneous_gui.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>

#include "core/link/programming_state.h"

namespace Miscellaneous {

void Delay(float seconds) {
    if (!(seconds > 0.0F)) return;  // 0, negative or NaN: no wait and no events
    // Waits of the program last seconds; the cap only keeps the arithmetic in range.
    const double wanted = std::min(static_cast<double>(seconds), 1e9);
    const auto total = static_cast<qint64>(wanted * 1e9);
    QElapsedTimer clock;  // monotonic: a wait across midnight or a clock change is not cut
    clock.start();
    for (qint64 left = total; left > 0; left = total - clock.nsecsElapsed()) {
        // Sleep in a local event loop until the time is up; ticks and clicks run meanwhile.
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        const qint64 ms = std::min<qint64>((left + 999'999) / 1'000'000, INT_MAX);
        wake.start(static_cast<int>(ms));
        if (loop.exec() != 0) return;  // the application is quitting
    }
}

void CenterForm(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    // A window taller or wider than the screen keeps its title bar and menus on it.
    window->move(std::max(area.x(), area.x() + area.width() / 2 - frame.width() / 2),
                 std::max(area.y(), area.y() + area.height() / 2 - frame.height() / 2));
}

void SelectAllText(QLineEdit* box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}

int Twips(int twips) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

void DisableWhileProgramming(QWidget* control, ProgrammingState& programming) {
    // Given a whole page, its children keep their own enabled states underneath.
    const QPointer<QWidget> guarded = control;
    const int handle = programming.Subscribe([guarded](bool active) {
        if (guarded) guarded->setEnabled(!active);
    });
    QObject::connect(control, &QObject::destroyed,
                     [handle, &programming] { programming.Unsubscribe(handle); });
    control->setEnabled(!programming.Active());
}

}  // namespace Miscellaneous
