#pragma once
// Answers modal message boxes as they come up: records what they showed and presses OK.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <vector>

class MessageBoxAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
    };

    MessageBoxAnswerer() {
        poll_.setInterval(10);
        connect(&poll_, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
        poll_.start();
    }

    std::vector<Seen> seen;

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        seen.push_back({box->windowTitle(), box->text(), box->standardButtons(), box->icon()});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }

    QTimer poll_;
};
