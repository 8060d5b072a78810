#include "gui/widgets/screen_fit.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

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

int menuBarHeight(const QMenuBar* bar, int width) {
    // The rule the layout follows: the height for the width, else the size hint, never less
    // than the bar's minimum.
    const int forWidth = bar->heightForWidth(std::max(width, bar->minimumWidth()));
    const int height = forWidth < 0 ? bar->sizeHint().height() : forWidth;
    return std::clamp(height, bar->minimumHeight(), bar->maximumHeight());
}

namespace {

class WholeContentArea final : public QScrollArea {
public:
    QSize sizeHint() const override {
        if (!widget()) return QScrollArea::sizeHint();
        const int frame = 2 * frameWidth();
        return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()) + QSize(frame, frame);
    }
    // Small enough for any screen: the window may shrink, the content then scrolls.
    QSize minimumSizeHint() const override {
        const int bar = verticalScrollBar()->sizeHint().width();
        return QSize(4 * bar, 4 * bar).boundedTo(sizeHint());
    }
};

}  // namespace

QScrollArea* scrolling(QWidget* content) {
    auto* area = new WholeContentArea;
    area->setFrameShape(QFrame::NoFrame);
    // Not a tab stop of its own: it would take the focus without showing it.
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidgetResizable(true);
    area->setWidget(content);
    area->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll sideways"));
    area->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll up and down"));
    return area;
}

void fitWindow(QWidget* window) {
    const QRect area = availableArea(window);
    // Before the window is shown the frame is unknown; a usual title bar and border stand in.
    QSize frame = frameExtra(window);
    if (frame.isEmpty()) frame = QSize(8, 32);
    const QSize room = area.size() - frame;
    const QSize wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    window->resize(wanted.boundedTo(room).expandedTo(window->minimumSize()));
    QRect placed = window->frameGeometry();
    placed.setSize(window->size() + frame);
    if (!area.contains(placed)) {
        placed.moveCenter(area.center());
        if (placed.left() < area.left()) placed.moveLeft(area.left());
        if (placed.top() < area.top()) placed.moveTop(area.top());
        window->move(placed.topLeft());
    }
}

}  // namespace screenfit
