#pragma once
// The status panel beside the tabs: six lamps that follow the STATUS register.

#include <QWidget>

class QTimer;

class StatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    QTimer* tmrStatus() const { return tmrStatus_; }

private:
    QTimer* tmrStatus_;
};
