#include "gui/widgets/message_box_title.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

#include "gui/widgets/application_filter.h"

namespace {

class MessageBoxTitle final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched);
                box && box->windowTitle().isEmpty()) {
                box->setWindowTitle(kApplicationTitle);
            }
        }
        return false;
    }
};

}  // namespace

void installMessageBoxTitle() {
    installApplicationFilterOnce<MessageBoxTitle>(QStringLiteral("messageBoxTitle"));
}
