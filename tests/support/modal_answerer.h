#pragma once
// Answers modal message boxes from a zero-delay timer, the way a user presses OK, and keeps
// what each box said.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

class ModalAnswerer {
public:
    struct Seen {
        QString title;
        QString text;
        bool onlyOk;
    };

    ModalAnswerer() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const QList<QAbstractButton*> buttons = box->buttons();
            seen.push_back({box->windowTitle(), box->text(),
                            buttons.size() == 1 &&
                                box->buttonRole(buttons.front()) == QMessageBox::AcceptRole});
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->reject();
            }
        });
        timer_.start();
    }

    QList<Seen> seen;

private:
    QTimer timer_;
};
