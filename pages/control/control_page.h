#pragma once
// The Control page: live control of registers 0x01 to 0x05.

#include <QWidget>

class QTimer;

class ControlPage : public QWidget {
    Q_OBJECT
public:
    // `tmrStatus` is the status panel's timer, stopped around the LTCLR toggle.
    explicit ControlPage(QTimer* tmrStatus, QWidget* parent = nullptr);

    void InitializeControlPage();
    void SetControlMode();

    QTimer* tmrControl() const { return tmrControl_; }

private:
    QTimer* tmrStatus_;
    QTimer* tmrControl_;
};
