#pragma once
// The EEPROM page: thresholds and delays of registers 0x06 to 0x0A as physical quantities,
// the FS bit of OUTPUT_CNTRL, programming, the `.ee` file commands and the preview.
//
// The encodings live in the core (eeprom_fields.h, page_conversion.h); this page only turns
// widgets into codes and back. Programming runs the core's EepromProgrammer with this page as
// its host. While programming, a preview, a save or an open is under way, the page's other
// chip-writing actions (Program, Preview, the File items, the FS box) are disabled, so no
// two of them interleave inside each other's waits.
//
// "Verify" compares the chip's 0x06..0x0A and PFALT with the bytes the page stands for, by
// reads alone: after a power cycle, when the chip has loaded its EEPROM, that is what was
// burnt.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "core/eeprom/eeprom_fields.h"
#include "core/link/communication.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace eeprom {
class EepromProgrammer;
enum class ConversionOutcome;
enum class MessageIcon;
}  // namespace eeprom

class EepromPage : public QWidget {
    Q_OBJECT
public:
    explicit EepromPage(Communication comm, QWidget* parent = nullptr);
    ~EepromPage() override;

    // Wiring from the main window: the lamp panel's `tmrStatus`, which programming and the
    // conversion switch on, and the two File menu items that the page enables.
    void setStatusTimer(QTimer* tmrStatus);
    void setFileMenuItems(QAction* mnuFileSaveEeprom, QAction* mnuFileOpenEeprom);
    // The waits of the conversion and of programming; Miscellaneous::Delay by default.
    void setWait(std::function<void(double seconds)> wait);

    // Sets every control from registers 0x06..0x0A, or from `yFileData` when
    // `bFromEepromFile` is true; the FS box always from the chip's register 0x01.
    void InitializeEepromPage(bool bFromEepromFile,
                              const std::optional<std::array<std::uint8_t, 5>>& yFileData = {});
    // Waits 1 s, encodes the page into the EEPROM image and writes registers 0x06..0x0A
    // (the core's convertAndLoad with this page as host).
    // False when it wrote nothing (never filled, or a field without an encoding; the user
    // has been told which).
    bool ConvertEepromControlsToBytes();

    // The main window's EEPROM image: slot i is register 0x06 + i.
    const eeprom::EepromImage& eepromImage() const { return yEepromImage_; }
    bool isBusy() const { return busy_; }

    // Tab switch: hides ProgressBar1 and Label47.
    void hideProgress();
    // The main window is closing: leave the chip disarmed with the voltage off.
    void shutdownForClose();

    void mnuFileSaveEeprom_Click();
    void mnuFileOpenEeprom_Click();
    void cmdPreview_Click();
    void cmdProgramEeprom_Click();
    void cmdVerifyEeprom_Click();

signals:
    // Programming's own STATUS check found VGOOD set or clear; the main window shows it on
    // the lamp panel.
    void vgoodLampChanged(bool lit);
    // "Program EEPROM" began a run; the run ended with the registers read back as loaded
    // (which does not show what the EEPROM took: a power cycle and Verify do).
    void programmingStarted();
    void programmedRegistersReadBack();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Host;
    class BusyScope;

    void alignFrameColumns(std::span<QGroupBox* const> frames);
    QGroupBox* buildOvCfg();
    QGroupBox* buildUvLevel();
    QGroupBox* buildOcUvDelay();
    QGroupBox* buildOcdCfg();
    QGroupBox* buildScdCfg();
    QComboBox* addList(QGroupBox* frame, const eeprom::ListField& list, int row);
    QCheckBox* addFlag(QGroupBox* frame, const eeprom::FlagField& flag, int row);

    void cboCellCount_Click();
    void chkFsBit_Click();
    // Sets the FS box from the chip without running its handler.
    void setFsBox(bool checked);
    void txtOcDelay_LostFocus();
    void buildUvDelayList(eeprom::UvDelaySuffix suffix);
    void takeCellCount();
    // Shows decoded codes; the fields of a register that is not `known` show no value.
    void showSettings(const eeprom::EepromSettings& settings,
                      const std::array<bool, chip::kEepromCount>& known);

    // The core's conversion with this page as host (wait, compose, write 0x06..0x0A):
    // ConvertEepromControlsToBytes, the preview and a save.
    eeprom::ConversionOutcome convert();
    // Only composes `image` from the page (and settles its lists); sends nothing.
    eeprom::ConversionOutcome compose(eeprom::EepromImage& image);
    // Verify's one-line result, or its list of differing registers.
    void showVerifyResult(const QString& text);
    bool refuseUnreadPage();
    void setBusy(bool busy);
    bool isCurrentPage() const;
    void message(const QString& text, const QString& title, eeprom::MessageIcon icon);
    void startStatusTimer();

    Communication comm_;
    std::function<void(double)> wait_;
    QTimer* tmrStatus_ = nullptr;
    QAction* mnuFileSaveEeprom_ = nullptr;
    QAction* mnuFileOpenEeprom_ = nullptr;

    QComboBox* cboOvThresh_ = nullptr;
    QComboBox* cboOvHyst_ = nullptr;
    QComboBox* cboOvDetDelay_ = nullptr;
    QComboBox* cboUvThresh_ = nullptr;
    QComboBox* cboUvHyst_ = nullptr;
    QCheckBox* chkDisDsgFet_ = nullptr;
    QCheckBox* chkDisDsgChgFet_ = nullptr;
    QComboBox* cboOcThresh_ = nullptr;
    QComboBox* cboUvDelay_ = nullptr;
    QComboBox* cboCellCount_ = nullptr;
    QCheckBox* chkFsBit_ = nullptr;
    QLineEdit* txtOcDelay_ = nullptr;
    QCheckBox* chkSOR_ = nullptr;
    QCheckBox* chkZvc_ = nullptr;
    QCheckBox* chkCben_ = nullptr;
    QComboBox* cboShortCircuitThresh_ = nullptr;
    QComboBox* cboShortCircuitDelay_ = nullptr;
    QPushButton* cmdPreview_ = nullptr;
    QPushButton* cmdProgramEeprom_ = nullptr;
    QPushButton* cmdVerifyEeprom_ = nullptr;
    QLabel* lblVerifyResult_ = nullptr;
    QLabel* Label47_ = nullptr;
    QLabel* lblChipNotRead_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;

    // The cell count, taken afresh from cboCellCount's text before each list build.
    std::uint8_t yCellCount_ = 10;
    eeprom::EepromImage yEepromImage_{};
    std::unique_ptr<Host> host_;
    std::unique_ptr<eeprom::EepromProgrammer> programmer_;
    bool busy_ = false;
    bool settingFsBox_ = false;
    // The last fill from the chip lost a read; cleared by a whole read or a loaded file.
    bool chipNotRead_ = false;
    // The file dialog keeps its folder between commands, as the main window's dlgFile did.
    QString lastFolder_;
};
