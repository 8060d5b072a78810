#pragma once
// The tests' one answerer of modal windows. A zero-interval timer looks for the active modal
// widget; each new one goes to the next queued handler. A message box that comes with no
// handler queued is recorded and answered with OK, the way a user does; any other window
// without a handler is recorded as unexpected and closed.

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

class ModalAnswerer : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;

    struct Message {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool onlyOk;  // one button, and it accepts
    };

    ModalAnswerer() {
        timer_.setInterval(0);
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
        timer_.start();
    }

    // Queues a handler for the next modal window.
    void then(Handler handler) { handlers_.push_back(std::move(handler)); }

    // Records a message box and presses `button` on it.
    void message(QMessageBox::StandardButton button = QMessageBox::Ok) {
        then([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                unexpected.push_back(w->metaObject()->className());
                w->close();
                return;
            }
            record(box);
            box->button(button)->click();
        });
    }
    // Picks `path` in a file dialog (records its title), or cancels it when `path` is empty.
    void file(const QString& path) {
        then([this, path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) {
                unexpected.push_back(w->metaObject()->className());
                w->close();
                return;
            }
            dialogTitles.push_back(dialog->windowTitle());
            dialogNames.push_back(dialog->selectedFiles().value(0));
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path);
                static_cast<QDialog*>(dialog)->accept();  // its own accept(), by dispatch
            }
        });
    }

    bool allAnswered() const { return handlers_.empty(); }

    std::vector<Message> messages;
    std::vector<QString> dialogTitles;
    std::vector<QString> dialogNames;  // the name each dialog started with
    std::vector<QString> unexpected;   // modal windows that came without a handler

private:
    void record(QMessageBox* box) {
        const QList<QAbstractButton*> buttons = box->buttons();
        messages.push_back(
            {box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
             buttons.size() == 1 && box->buttonRole(buttons.front()) == QMessageBox::AcceptRole});
    }

    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || !modal->isVisible()) return;
        last_ = modal;
        if (!handlers_.empty()) {
            Handler handler = std::move(handlers_.front());
            handlers_.pop_front();
            handler(modal);
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            record(box);
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->reject();
            }
            return;
        }
        unexpected.push_back(modal->metaObject()->className());
        modal->close();
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<Handler> handlers_;
};
