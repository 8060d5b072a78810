#include "gui/pages/registers/status_lamp.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace {

// The lamp as one label-like object: its two pictures are not separate objects.
class LampAccessible final : public QAccessibleWidget {
public:
    explicit LampAccessible(StatusLamp* lamp) : QAccessibleWidget(lamp, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return lamp()->stateText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checked = lamp()->isLit();
        s.readOnly = true;
        return s;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    StatusLamp* lamp() const { return static_cast<StatusLamp*>(widget()); }
};

QAccessibleInterface* lampFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("StatusLamp") && object && object->isWidgetType())
        return new LampAccessible(static_cast<StatusLamp*>(object));
    return nullptr;
}

QLabel* makePicture(QWidget* lamp, const QString& name, const QPixmap& picture) {
    auto* label = new QLabel(lamp);
    label->setObjectName(name);
    label->setPixmap(picture);
    label->setGeometry(0, 0, lamp->width(), lamp->height());
    return label;
}

}  // namespace

StatusLamp::StatusLamp(const QString& flag, const QString& pictureName, const QPixmap& unlit,
                       const QPixmap& lit, QWidget* parent)
    : QWidget(parent), flag_(flag) {
    static const bool installed = [] {
        QAccessible::installFactory(lampFactory);
        return true;
    }();
    (void)installed;
    setObjectName(QStringLiteral("lamp") + flag);
    resize(unlit.deviceIndependentSize().toSize());
    unlitPicture_ = makePicture(this, QStringLiteral("%1(0)").arg(pictureName), unlit);
    litPicture_ = makePicture(this, QStringLiteral("%1(1)").arg(pictureName), lit);
    // Until the first STATUS read every lamp shows unlit.
    litPicture_->setVisible(false);
}

QString StatusLamp::stateText() const {
    return flag_ + (lit_ ? QStringLiteral(": set") : QStringLiteral(": clear"));
}

void StatusLamp::setLit(bool lit) {
    if (lit) {
        litPicture_->setVisible(true);
        unlitPicture_->setVisible(false);
    } else {
        litPicture_->setVisible(false);
        unlitPicture_->setVisible(true);
    }
    if (lit == lit_) return;
    lit_ = lit;
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent stateChanged(this, changed);
    QAccessible::updateAccessibility(&stateChanged);
}
