#pragma once
// The status panel beside the tabs: six lamps that follow the STATUS register, re-read by
// `tmrStatus` once a second on every tab.

#include <QFrame>
#include <array>
#include <cstdint>

#include "core/link/communication.h"

class QLabel;
class StatusLamp;
class QTimer;

class StatusPanel : public QFrame {
    Q_OBJECT
public:
    explicit StatusPanel(Communication comm, QWidget* parent = nullptr);

    QTimer* tmrStatus() const { return tmrStatus_; }

    // Sets the VGOOD lamp from EEPROM programming's own STATUS check.
    void setVgoodLamp(bool lit);

signals:
    // Each tick's STATUS read, for the Monitor window: rc 0 = answered with `value`.
    void statusRead(std::int32_t rc, std::uint8_t value);

private:
    enum LampIndex { kVgood, kOvTemp, kUv, kOv, kOcd, kScd, kLampCount };

    void tmrStatus_Timer();
    static void setLamp(StatusLamp* lamp, bool bit);

    Communication comm_;
    std::array<StatusLamp*, kLampCount> lamps_{};
    QTimer* tmrStatus_;
};
