#include "gui/widgets/bit_cell.h"

#include <QPainter>
#include <QPolygon>

#include "gui/widgets/bit_color.h"
#include "gui/widgets/fill_colour.h"

BitCell::BitCell(const QString& caption, const QString& about, QWidget* parent)
    : QLabel(caption, parent), about_(about) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    if (!about_.isEmpty()) setToolTip(about_);
    describe();
}

void BitCell::setBit(std::optional<bool> bit) {
    if (bit) {
        fillcolour::apply(this, QPalette::Window, widgets::bitColor(*bit));
    } else {
        setPalette(QPalette());  // inherits again: the window colour
    }
    if (bit == bit_) return;
    bit_ = bit;
    describe();
    update();
}

void BitCell::describe() {
    const QString value = !bit_   ? QStringLiteral("not read")
                          : *bit_ ? QStringLiteral("1 (set)")
                                  : QStringLiteral("0 (clear)");
    setAccessibleDescription(about_.isEmpty() ? value : value + QStringLiteral(". ") + about_);
}

void BitCell::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!bit_.value_or(false)) return;
    // A filled corner in the text colour marks a set bit.
    const int size = std::max(4, height() / 3);
    const QRect r = contentsRect();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::WindowText));
    p.drawPolygon(
        QPolygon({r.topLeft(), r.topLeft() + QPoint(size, 0), r.topLeft() + QPoint(0, size)}));
}
