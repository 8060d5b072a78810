#include "gui/widgets/message_box_placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "gui/widgets/application_filter.h"

namespace {

class MessageBoxPlacement final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A message box sizes itself to its text while it is being shown: centre it again.
        const bool shown = event->type() == QEvent::Show;
        if (!shown && event->type() != QEvent::Resize) return false;
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box || (!shown && !box->isVisible())) return false;
        const QWidget* owner = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        QRect area;
        if (owner && owner->isVisible()) {
            area = owner->frameGeometry();
        } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            area = screen->availableGeometry();
        } else {
            return false;
        }
        QRect frame = box->frameGeometry();
        frame.moveCenter(area.center());
        box->move(frame.topLeft());
        return false;
    }
};

}  // namespace

void installMessageBoxPlacement() {
    installApplicationFilterOnce<MessageBoxPlacement>(QStringLiteral("messageBoxPlacement"));
}
