#include "gui/widgets/text_room.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QWidget>

namespace textroom {
namespace {

bool managedByLayout(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(w) >= 0;
}

bool hasCaption(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        return !label->text().isEmpty() && !label->wordWrap();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return !button->text().isEmpty();
    }
    return false;
}

}  // namespace

void widenToText(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!managedByLayout(w)) widen(w);
    }
}

void widen(QWidget* w) {
    if (!hasCaption(w)) return;
    const int needed = w->sizeHint().width();
    if (w->width() >= needed) return;
    QRect r = w->geometry();
    const auto* label = qobject_cast<const QLabel*>(w);
    if (label && (label->alignment() & Qt::AlignRight)) {
        r.setLeft(r.right() + 1 - needed);
    } else if (label && (label->alignment() & Qt::AlignHCenter)) {
        r.setLeft(r.left() - (needed - r.width()) / 2);
        r.setWidth(needed);
    } else {
        r.setWidth(needed);
    }
    w->setGeometry(r);
}

}  // namespace textroom
