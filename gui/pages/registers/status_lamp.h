#pragma once
// One status lamp: the unlit and the lit picture on the same spot, of which one is visible.
// To a screen reader the pair is a single object named with its flag and state ("OV: set"),
// announced whenever the lamp changes.

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

class StatusLamp : public QWidget {
    Q_OBJECT
public:
    // The pictures are named `pictureName(0)` (unlit) and `pictureName(1)` (lit).
    StatusLamp(const QString& flag, const QString& pictureName, const QPixmap& unlit,
               const QPixmap& lit, QWidget* parent = nullptr);

    // Shows the lit picture before hiding the unlit one (or the other way round), so that
    // the lamp never blinks empty.
    void setLit(bool lit);
    bool isLit() const { return lit_; }
    // "OV: set" or "OV: clear".
    QString stateText() const;

private:
    QString flag_;
    QLabel* unlitPicture_;
    QLabel* litPicture_;
    bool lit_ = false;
};
