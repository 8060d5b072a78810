#include "gui/pages/control/control_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/chip/register_map.h"
#include "core/link/communication.h"

namespace {

// The one-bit fields of STATE_CNTRL chosen by drop-down lists; the item index is the bit.
constexpr chip::Field kHostField{chip::STATE_CNTRL, 1, 1};
constexpr chip::Field kVgainField{chip::STATE_CNTRL, 6, 1};
constexpr chip::Field kIgainField{chip::STATE_CNTRL, 7, 1};

// OUTPUT_CNTRL bits that have a check box; 4 to 6 have none.
constexpr std::array<int, 5> kOutputBits{0, 1, 2, 3, 7};

constexpr int kPackBit = 3;
constexpr int kBatBit = 4;
constexpr int kCellCount = 10;          // cboCell items
constexpr int kBalanceCells = 10;       // eight in CELL_BALANCE, two in FNCTN_CNTRL
constexpr int kCalCellTranslation = 0;  // the cboCal item that measures the selected cell

// Only the checked state counts as set; greyed counts as clear.
bool isSet(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

bool bitOf(std::uint8_t value, int bit) {
    return ((value >> bit) & 1U) != 0;
}

// Sets a box from a refresh's good read; the change runs the box's handler as a user change
// does.
void setBox(QCheckBox* box, bool set) {
    box->setCheckState(set ? Qt::Checked : Qt::Unchecked);
}

// Reads `address` for a read-modify-write; false when the read failed, and then nothing may
// be written: the byte in hand is not the register's.
bool readForChange(const Communication& comm, std::uint8_t address, std::uint8_t& old) {
    return comm.ReadRegister(address, old) == 0;
}

std::uint8_t withBit(std::uint8_t value, int bit, bool set) {
    const auto mask = static_cast<std::uint8_t>(1U << bit);
    return set ? static_cast<std::uint8_t>(value | mask) : static_cast<std::uint8_t>(value & ~mask);
}

// Reads `field`'s register and writes it back with the field set to `list`'s selected index.
// A list with no selected item writes nothing: there is no value to write.
void writeListField(const Communication& comm, const chip::Field& field, const QComboBox* list) {
    const int k = list->currentIndex();
    if (k < 0) return;
    std::uint8_t old = 0;
    if (!readForChange(comm, field.address, old)) return;
    comm.WriteRegister(field.address, field.put(old, static_cast<unsigned>(k)));
}

QString arrayName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

}  // namespace

ControlPage::ControlPage(Communication comm, QTimer* tmrStatus, QWidget* parent)
    : QWidget(parent), comm_(comm), tmrStatus_(tmrStatus), tmrControl_(new QTimer(this)) {
    tmrControl_->setObjectName(QStringLiteral("tmrControl"));
    tmrControl_->setInterval(1000);

    auto* grid = new QGridLayout(this);
    grid->addWidget(buildOutputControl(), 0, 0);
    grid->addWidget(buildFunctionControl(), 0, 1);
    grid->addWidget(buildStateControl(), 1, 0);
    grid->addWidget(buildCellBalance(), 1, 1);
    grid->addWidget(buildCellSel(), 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    modeControls_ = {chkOutputControl_[0],
                     chkOutputControl_[1],
                     chkOutputControl_[2],
                     chkOutputControl_[3],
                     chkOutputControl_[7],
                     cmdToggleLtclr_,
                     chkShdn_,
                     cboVgain_,
                     cboIgain_};
    for (QCheckBox* box : chkFunctionControl_) modeControls_.push_back(box);
    for (QCheckBox* box : chkCellBal_) modeControls_.push_back(box);

    connectHandlers();
}

// ---- Building the page ----------------------------------------------------------------------

QCheckBox* ControlPage::makeCheckBox(const char* name, int index, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(index < 0 ? QString::fromUtf8(name) : arrayName(name, index));
    return box;
}

QComboBox* ControlPage::makeList(const char* name, std::initializer_list<const char*> items) {
    auto* list = new QComboBox;
    list->setObjectName(QString::fromUtf8(name));
    for (const char* item : items) list->addItem(QString::fromUtf8(item));
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

QGroupBox* ControlPage::buildOutputControl() {
    auto* group = new QGroupBox(QStringLiteral("OUTPUT CONTROL      Addr 0x01"));
    auto* column = new QVBoxLayout(group);
    const std::array<const char*, 8> captions{"(LTCLR) Latch Clear",
                                              "(DSG) External Discharge FET Control",
                                              "(CHG) External Charge FET Control",
                                              "(GPOD) GPOD Output Enable",
                                              nullptr,
                                              nullptr,
                                              nullptr,
                                              "(FS) Under Voltage Detection Sampling Time"};
    for (int bit : kOutputBits) {
        chkOutputControl_[bit] = makeCheckBox("chkOutputControl", bit, captions[bit]);
        column->addWidget(chkOutputControl_[bit]);
    }
    cmdToggleLtclr_ = new QPushButton(QStringLiteral("Toggle LTCLR"));
    cmdToggleLtclr_->setObjectName(QStringLiteral("cmdToggleLtclr"));
    // Without the hint, a page greyed in Standalone mode looks broken. It sits beside the
    // button, where the page has room to spare.
    lblStandaloneHint_ = new QLabel(QStringLiteral("Standalone mode: set Host to edit"));
    lblStandaloneHint_->setObjectName(QStringLiteral("lblStandaloneHint"));
    QSizePolicy keepRoom = lblStandaloneHint_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    lblStandaloneHint_->setSizePolicy(keepRoom);
    lblStandaloneHint_->hide();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(cmdToggleLtclr_);
    buttonRow->addWidget(lblStandaloneHint_, 1);
    column->addLayout(buttonRow);
    column->addStretch(1);
    return group;
}

QGroupBox* ControlPage::buildStateControl() {
    auto* group = new QGroupBox(QStringLiteral("STATE CONTROL       Addr 0x02"));
    auto* column = new QVBoxLayout(group);
    chkShdn_ = makeCheckBox("chkShdn", -1, "(SHDN) Shutdown Mode Enable");
    column->addWidget(chkShdn_);
    auto* form = new QFormLayout;
    cboHost_ = makeList("cboHost", {"Standalone", "Host"});
    cboVgain_ = makeList("cboVgain", {"0.15", "0.20"});
    cboIgain_ = makeList("cboIgain", {"10", "50"});
    form->addRow(QStringLiteral("Control Mode"), cboHost_);
    form->addRow(QStringLiteral("Cell Amplifier Scale"), cboVgain_);
    form->addRow(QStringLiteral("Current Monitor Amplifier Gain"), cboIgain_);
    column->addLayout(form);
    column->addStretch(1);
    return group;
}

QGroupBox* ControlPage::buildFunctionControl() {
    auto* group = new QGroupBox(QStringLiteral("FUNCTION CONTROL       Addr 0x03"));
    auto* column = new QVBoxLayout(group);
    const std::array<const char*, 6> captions{
        "Cell Voltage Amplifier Enable",       "Current Monitor Amplifier Enable",
        "Offset Voltage Output Enable",        "Pack Total Voltage Output Enable",
        "Battery Total Voltage Output Enable", "Thermistor Power (Host Mode) Enable"};
    for (int bit = 0; bit < 6; ++bit) {
        chkFunctionControl_[bit] = makeCheckBox("chkFunctionControl", bit, captions[bit]);
        column->addWidget(chkFunctionControl_[bit]);
    }
    column->addStretch(1);
    return group;
}

QGroupBox* ControlPage::buildCellBalance() {
    auto* group = new QGroupBox(QStringLiteral("CELL BALANCE               Addr 0x04"));
    auto* column = new QVBoxLayout(group);
    column->addWidget(new QLabel(QStringLiteral("Enable Balance Charge Bypass of:")));
    // Cells 9 and 10 live in FNCTN_CNTRL but are drawn here, after "Cell 8".
    chkFunctionControl_[6] = makeCheckBox("chkFunctionControl", 6, "Cell 9 (bit 6 of Addr 0x03)");
    chkFunctionControl_[7] = makeCheckBox("chkFunctionControl", 7, "Cell 10 (bit 7 of Addr0x03)");
    std::array<QCheckBox*, kBalanceCells> cells{};
    for (int bit = 0; bit < 8; ++bit) {
        const QByteArray caption = QByteArray("Cell ") + QByteArray::number(bit + 1);
        chkCellBal_[bit] = makeCheckBox("chkCellBal", bit, caption.constData());
        cells[bit] = chkCellBal_[bit];
    }
    cells[8] = chkFunctionControl_[6];
    cells[9] = chkFunctionControl_[7];
    auto* grid = new QGridLayout;
    constexpr int kRows = kBalanceCells / 2;
    for (int i = 0; i < kBalanceCells; ++i) grid->addWidget(cells[i], i % kRows, i / kRows);
    column->addLayout(grid);
    column->addStretch(1);
    return group;
}

QGroupBox* ControlPage::buildCellSel() {
    auto* group = new QGroupBox(QStringLiteral("CELL SEL         Addr0x05"));
    auto* form = new QFormLayout(group);
    cboCell_ = makeList(
        "cboCell", {"VC10-VC11, Cell 1", "VC9-VC10, Cell 2", "VC8-VC9, Cell 3", "VC7-VC8, Cell 4",
                    "VC6-VC7, Cell 5", "VC5-VC6, Cell 6", "VC4-VC5, Cell 7", "VC3-VC4, Cell 8",
                    "VC2-VC3, Cell 9", "VC1-VC2, Cell 10"});
    cboCal_ = makeList("cboCal",
                       {"Cell translation for selected cell", "Monitor offset of differential amp",
                        "Monitor scaled VREF value", "Monitor VREF(*1) directly",
                        "Monitor scaled 2.5V value to measured 2.5V",
                        "Monitor Vref(*1)-0V through sample/hold ckt",
                        "Monitor the 2.5V-0V through sample/hold ckt",
                        "Monitor the 2.5V-1.2V through sample/hold ckt"});
    form->addRow(QStringLiteral("Voltage Measurement between pins:"), cboCell_);
    form->addRow(QStringLiteral("Amplifier Output of Voltage Measurement for:"), cboCal_);
    return group;
}

void ControlPage::connectHandlers() {
    // Check boxes answer every change of state, from the user or from a refresh, as the
    // handlers are written to write back what was just read. Lists answer only a user's pick
    // (`activated`), so a refresh that shows another item writes nothing.
    for (int bit : kOutputBits) {
        connect(chkOutputControl_[bit], &QCheckBox::stateChanged, this,
                [this, bit] { chkOutputControl_Click(bit); });
    }
    for (int bit = 0; bit < 8; ++bit) {
        connect(chkFunctionControl_[bit], &QCheckBox::stateChanged, this,
                [this, bit] { chkFunctionControl_Click(bit); });
        connect(chkCellBal_[bit], &QCheckBox::stateChanged, this,
                [this, bit] { chkCellBal_Click(bit); });
    }
    connect(chkShdn_, &QCheckBox::stateChanged, this, &ControlPage::chkShdn_Click);
    connect(cboHost_, &QComboBox::activated, this, &ControlPage::cboHost_Click);
    connect(cboVgain_, &QComboBox::activated, this, &ControlPage::cboVgain_Click);
    connect(cboIgain_, &QComboBox::activated, this, &ControlPage::cboIgain_Click);
    connect(cboCell_, &QComboBox::activated, this, &ControlPage::cboCell_Click);
    connect(cboCal_, &QComboBox::activated, this, &ControlPage::cboCal_Click);
    connect(cmdToggleLtclr_, &QPushButton::clicked, this, &ControlPage::cmdToggleLtclr_Click);
    connect(tmrControl_, &QTimer::timeout, this, &ControlPage::tmrControl_Timer);
}

// ---- Refresh and control mode ---------------------------------------------------------------

void ControlPage::InitializeControlPage() {
    // A failed read shows on the status line; the controls of that register keep what they
    // showed, since the byte in hand is not the register's, and nothing is written back.
    std::uint8_t value = 0;
    if (comm_.ReadRegister(chip::OUTPUT_CNTRL, value) == 0) {
        for (int bit : kOutputBits) setBox(chkOutputControl_[bit], bitOf(value, bit));
    }

    if (comm_.ReadRegister(chip::STATE_CNTRL, value) == 0) {
        setBox(chkShdn_, bitOf(value, 0));
        cboHost_->setCurrentIndex(kHostField.get(value));
        cboVgain_->setCurrentIndex(kVgainField.get(value));
        cboIgain_->setCurrentIndex(kIgainField.get(value));
    }

    if (comm_.ReadRegister(chip::FNCTN_CNTRL, value) == 0) {
        for (int bit = 0; bit < 8; ++bit) setBox(chkFunctionControl_[bit], bitOf(value, bit));
    }

    if (comm_.ReadRegister(chip::CELL_BALANCE, value) == 0) {
        for (int bit = 0; bit < 8; ++bit) setBox(chkCellBal_[bit], bitOf(value, bit));
    }

    if (comm_.ReadRegister(chip::CELL_SEL, value) == 0) {
        const int cell = chip::kCellSelCell.get(value);
        // Codes 10 to 15 name no cell; the list shows the first one and nothing is written.
        cboCell_->setCurrentIndex(cell < kCellCount ? cell : 0);
        // A non-editable list shows its selected item, so every refresh also moves cboCal's
        // selected index, and cboCell's enabled state follows the chip's calibration field.
        cboCal_->setCurrentIndex(chip::kCellSelCal.get(value));
        if (!bFirstRefreshDone_) {
            // The first refresh selects the item as a pick does, which writes CELL_SEL back
            // with the same calibration field and bit 7 clear.
            cboCal_Click();
        }
    }
    bFirstRefreshDone_ = true;

    SetControlMode();
}

void ControlPage::SetControlMode() {
    const bool standalone = cboHost_->currentText() == QLatin1String("Standalone");
    for (QWidget* control : modeControls_) control->setEnabled(!standalone);
    lblStandaloneHint_->setVisible(standalone);
    if (standalone) {
        cboCell_->setEnabled(false);
        cboCal_->setEnabled(false);
        return;
    }
    chkFunctionControl_[kPackBit]->setEnabled(!isSet(chkFunctionControl_[kBatBit]));
    if (isSet(chkFunctionControl_[kPackBit]) || isSet(chkFunctionControl_[kBatBit])) {
        cboCal_->setEnabled(false);
        cboCell_->setEnabled(false);
    } else {
        cboCal_->setEnabled(true);
        cboCell_->setEnabled(cboCal_->currentIndex() == kCalCellTranslation);
    }
}

// ---- Click handlers -------------------------------------------------------------------------

void ControlPage::writeBoxBit(std::uint8_t address, int bit, const QCheckBox* box) {
    std::uint8_t old = 0;
    if (!readForChange(comm_, address, old)) return;
    comm_.WriteRegister(address, withBit(old, bit, isSet(box)));
}

void ControlPage::chkOutputControl_Click(int index) {
    writeBoxBit(chip::OUTPUT_CNTRL, index, chkOutputControl_[index]);
}

void ControlPage::chkShdn_Click() {
    writeBoxBit(chip::STATE_CNTRL, 0, chkShdn_);
}

void ControlPage::cboHost_Click() {
    writeListField(comm_, kHostField, cboHost_);
    SetControlMode();
}

void ControlPage::cboVgain_Click() {
    writeListField(comm_, kVgainField, cboVgain_);
}

void ControlPage::cboIgain_Click() {
    writeListField(comm_, kIgainField, cboIgain_);
}

void ControlPage::chkFunctionControl_Click(int index) {
    writeBoxBit(chip::FNCTN_CNTRL, index, chkFunctionControl_[index]);
    applyPackBatRule();
}

void ControlPage::applyPackBatRule() {
    // The PACK and BAT outputs share the amplifier output with the cell measurement. Unlike
    // SetControlMode this does not look at cboCal's index, and it runs in Standalone too; the
    // SetControlMode at the end of each refresh restores the mode's states.
    const bool bat = isSet(chkFunctionControl_[kBatBit]);
    chkFunctionControl_[kPackBit]->setEnabled(!bat);
    const bool busy = bat || isSet(chkFunctionControl_[kPackBit]);
    cboCal_->setEnabled(!busy);
    cboCell_->setEnabled(!busy);
}

void ControlPage::chkCellBal_Click(int index) {
    writeBoxBit(chip::CELL_BALANCE, index, chkCellBal_[index]);
}

void ControlPage::cboCell_Click() {
    writeListField(comm_, chip::kCellSelCell, cboCell_);
}

void ControlPage::cboCal_Click() {
    const int k = cboCal_->currentIndex();
    if (k < 0) return;
    std::uint8_t old = 0;
    if (readForChange(comm_, chip::CELL_SEL, old)) {
        // Only the cell field is kept: every choice here writes bit 7 as 0.
        const unsigned calibration = static_cast<unsigned>(k) << chip::kCellSelCal.shift;
        comm_.WriteRegister(chip::CELL_SEL, static_cast<std::uint8_t>(
                                                (old & chip::kCellSelCell.mask()) | calibration));
    }
    cboCell_->setEnabled(k == kCalCellTranslation);
}

void ControlPage::cmdToggleLtclr_Click() {
    // No status poll may come between the three writes, which follow without a pause.
    if (tmrStatus_) tmrStatus_->stop();
    std::uint8_t v = 0;
    if (readForChange(comm_, chip::OUTPUT_CNTRL, v)) {
        comm_.WriteRegister(chip::OUTPUT_CNTRL, withBit(v, 0, false));
        comm_.WriteRegister(chip::OUTPUT_CNTRL, withBit(v, 0, true));
        comm_.WriteRegister(chip::OUTPUT_CNTRL, withBit(v, 0, false));
    }
    // Started whatever its state was before: the status lamps always run after a toggle.
    if (tmrStatus_) tmrStatus_->start();
}

void ControlPage::tmrControl_Timer() {
    // Clicks and ticks already queued are served before the page is read again.
    QCoreApplication::processEvents();
    InitializeControlPage();
}
