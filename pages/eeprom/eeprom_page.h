#pragma once
// The EEPROM page: thresholds and delays of registers 0x06 to 0x0A, programming, files.

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class EepromPage : public QWidget {
    Q_OBJECT
public:
    explicit EepromPage(QWidget* parent = nullptr);

    void InitializeEepromPage(bool bFromEepromFile,
                              const std::optional<std::array<std::uint8_t, 5>>& yFileData = {});
    bool ConvertEepromControlsToBytes();

    // Tab switch: hides ProgressBar1 and Label47.
    void hideProgress();
    // The main window is closing: leave the chip disarmed with the voltage off.
    void shutdownForClose();

    void mnuFileSaveEeprom_Click();
    void mnuFileOpenEeprom_Click();
};
