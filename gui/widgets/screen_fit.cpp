#include "gui/widgets/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace screenfit {

QSize clientSize(QSize wanted, QSize needed, QSize frame, const QRect& available) {
    const QSize room = available.size() - frame;
    if (needed.width() <= room.width() && needed.height() <= room.height()) return wanted;
    return wanted.boundedTo(room);
}

QSize frameExtra(const QWidget* window) {
    return window->frameGeometry().size() - window->geometry().size();
}

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace screenfit
