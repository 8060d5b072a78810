#pragma once
// The Control page: live control of the volatile registers 0x01 to 0x05.
//
// Every check box stands for one bit and every drop-down list for one field. A user change is
// a read-modify-write of its register at once; the chip is the only store, the page keeps no
// copy. `InitializeControlPage` refreshes the page from the chip (at load, on selecting the
// page and on each `tmrControl` tick); `SetControlMode` sets the enabled states from the
// control mode that `cboHost` shows.

#include <QWidget>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/link/communication.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

class ControlPage : public QWidget {
    Q_OBJECT
public:
    // `tmrStatus` is the status panel's timer, stopped around the LTCLR toggle.
    ControlPage(Communication comm, QTimer* tmrStatus, QWidget* parent = nullptr);

    // Reads registers 0x01 to 0x05 once each, sets the controls, then `SetControlMode`.
    void InitializeControlPage();
    // Enables or disables the controls from the mode shown by `cboHost`; reads nothing.
    void SetControlMode();

    QTimer* tmrControl() const { return tmrControl_; }

private:
    // Building the page.
    QGroupBox* buildOutputControl();
    QGroupBox* buildStateControl();
    QGroupBox* buildFunctionControl();
    QGroupBox* buildCellBalance();
    QGroupBox* buildCellSel();
    QCheckBox* makeCheckBox(const char* name, int index, const char* caption);
    QComboBox* makeList(const char* name, std::initializer_list<const char*> items);
    void connectHandlers();

    // Click handlers. Code that changes a check box's state runs its handler too, and the
    // handler then writes back the bit just read (a refresh from a failed read runs none);
    // drop-down handlers run on a user pick only. A handler whose own read fails writes nothing.
    void chkOutputControl_Click(int index);
    void chkShdn_Click();
    void cboHost_Click();
    void cboVgain_Click();
    void cboIgain_Click();
    void chkFunctionControl_Click(int index);
    void chkCellBal_Click(int index);
    void cboCell_Click();
    void cboCal_Click();
    void cmdToggleLtclr_Click();
    void tmrControl_Timer();

    // Shared steps of the handlers.
    void writeBoxBit(std::uint8_t address, int bit, const QCheckBox* box);
    void applyPackBatRule();

    Communication comm_;
    QTimer* tmrStatus_;
    QTimer* tmrControl_;

    // Control arrays are indexed by bit number; chkOutputControl has no members 4 to 6.
    std::array<QCheckBox*, 8> chkOutputControl_{};
    std::array<QCheckBox*, 8> chkFunctionControl_{};
    std::array<QCheckBox*, 8> chkCellBal_{};
    QPushButton* cmdToggleLtclr_ = nullptr;
    QLabel* lblStandaloneHint_ = nullptr;
    QCheckBox* chkShdn_ = nullptr;
    QComboBox* cboHost_ = nullptr;
    QComboBox* cboVgain_ = nullptr;
    QComboBox* cboIgain_ = nullptr;
    QComboBox* cboCell_ = nullptr;
    QComboBox* cboCal_ = nullptr;

    // Controls that Standalone disables and Host enables, in that order; cboCell and cboCal
    // follow their own rules and are not in the list.
    std::vector<QWidget*> modeControls_;

    // Set by the end of the first refresh, which also selects cboCal's item by index.
    bool bFirstRefreshDone_ = false;
};
