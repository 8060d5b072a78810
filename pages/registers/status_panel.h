#pragma once
// The status panel beside the tabs: six lamps that follow the STATUS register.

#include <QWidget>

class QTimer;

class StatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    QTimer* tmrStatus() const { return tmrStatus_; }

    // Sets the VGOOD lamp from EEPROM programming's own STATUS check.
    void setVgoodLamp(bool lit);

private:
    QTimer* tmrStatus_;
};
