#include "gui/pages/eeprom/eeprom_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/chip/register_map.h"
#include "core/eeprom/eeprom_file.h"
#include "core/eeprom/field_differences.h"
#include "core/eeprom/page_conversion.h"
#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "gui/pages/eeprom/ee_file_dialog.h"
#include "gui/pages/eeprom/frm_preview.h"
#include "gui/widgets/fill_colour.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/widgets/register_tooltips.h"

using eeprom::ConversionOutcome;
using eeprom::MessageIcon;

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The busy pointer for as long as the guard lives, whichever way the command ends.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

eeprom::ListChoice choiceOf(const QComboBox* list) {
    return {list->currentIndex(), list->currentText().toStdString()};
}

}  // namespace

// The page as the programming sequence sees it.
class EepromPage::Host final : public eeprom::ProgrammingHost {
public:
    explicit Host(EepromPage& page) : page_(page) {}

    void wait(double seconds) override { page_.wait_(seconds); }
    void setProgressShown(bool shown) override {
        page_.Label47_->setVisible(shown);
        page_.ProgressBar1_->setVisible(shown);
    }
    void setProgress(int percent) override { page_.ProgressBar1_->setValue(percent); }
    void setVgoodLamp(bool lit) override { emit page_.vgoodLampChanged(lit); }
    void message(std::string_view text, std::string_view title, MessageIcon icon) override {
        page_.message(qs(text), qs(title), icon);
    }
    ConversionOutcome compose(eeprom::EepromImage& image) override {
        const ConversionOutcome outcome = page_.compose(page_.yEepromImage_);
        image = page_.yEepromImage_;
        // The status monitor goes on with the bytes; nothing runs between this and the
        // core's writes of them.
        if (outcome == ConversionOutcome::Written) page_.startStatusTimer();
        return outcome;
    }
    void enableStatusMonitor() override { page_.startStatusTimer(); }

private:
    EepromPage& page_;
};

// Disables the page's chip-writing actions for the life of one of them.
class EepromPage::BusyScope {
public:
    explicit BusyScope(EepromPage& page) : page_(page) { page_.setBusy(true); }
    ~BusyScope() { page_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    EepromPage& page_;
};

EepromPage::EepromPage(Communication comm, QWidget* parent)
    : QWidget(parent),
      comm_(comm),
      wait_([](double seconds) { Miscellaneous::Delay(static_cast<float>(seconds)); }),
      host_(std::make_unique<Host>(*this)),
      programmer_(std::make_unique<eeprom::EepromProgrammer>(*host_, comm_)) {
    // The page is as large as its tab; the system font is wider than the one the page was
    // laid out for, so the page uses one point less to keep every caption readable.
    QFont small = font();
    if (small.pointSizeF() > 8) small.setPointSizeF(small.pointSizeF() - 1);
    setFont(small);
    // The frames in register order, read row by row: 0x06 0x07 / 0x08 0x09 / 0x0A.
    auto* frames = new QGridLayout;
    frames->setSpacing(6);
    const std::array<QGroupBox*, chip::kEepromCount> inOrder{
        buildOvCfg(), buildUvLevel(), buildOcUvDelay(), buildOcdCfg(), buildScdCfg()};
    for (int i = 0; i < chip::kEepromCount; ++i) {
        frames->addWidget(inOrder[static_cast<std::size_t>(i)], i / 2, i % 2);
    }
    frames->setColumnStretch(0, 1);
    frames->setColumnStretch(1, 1);
    alignFrameColumns(inOrder);

    cmdPreview_ = new QPushButton(QStringLiteral("Preview"), this);
    cmdPreview_->setObjectName(QStringLiteral("cmdPreview"));
    cmdProgramEeprom_ = new QPushButton(QStringLiteral("Program EEPROM"), this);
    cmdProgramEeprom_->setObjectName(QStringLiteral("cmdProgramEeprom"));
    cmdVerifyEeprom_ = new QPushButton(QStringLiteral("Verify"), this);
    cmdVerifyEeprom_->setObjectName(QStringLiteral("cmdVerifyEeprom"));
    cmdVerifyEeprom_->setToolTip(
        QStringLiteral("Compare the chip's 0x06-0x0A and PFALT with this page, reading only. "
                       "After a power cycle the chip's registers are what its EEPROM holds."));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPreview_);
    buttons->addWidget(cmdVerifyEeprom_);
    buttons->addWidget(cmdProgramEeprom_);
    lblVerifyResult_ = new QLabel(this);
    lblVerifyResult_->setObjectName(QStringLiteral("lblVerifyResult"));
    lblVerifyResult_->setWordWrap(true);
    lblVerifyResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Label47_ = new QLabel(QStringLiteral("Programming EEPROM:"), this);
    Label47_->setObjectName(QStringLiteral("Label47"));
    ProgressBar1_ = new QProgressBar(this);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setAccessibleName(QStringLiteral("Programming EEPROM progress"));
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setValue(0);
    auto* progress = new QHBoxLayout;
    progress->addWidget(Label47_);
    progress->addWidget(ProgressBar1_, 1);
    // Its room is kept while it is hidden, so the buttons do not move when it appears.
    for (QWidget* w : {static_cast<QWidget*>(Label47_), static_cast<QWidget*>(ProgressBar1_)}) {
        QSizePolicy keepRoom = w->sizePolicy();
        keepRoom.setRetainSizeWhenHidden(true);
        w->setSizePolicy(keepRoom);
    }
    hideProgress();

    lblChipNotRead_ = new QLabel(qs(eeprom::kChipNotRead), this);
    lblChipNotRead_->setObjectName(QStringLiteral("lblChipNotRead"));
    fillcolour::applyAccent(lblChipNotRead_, QColor(0xc0, 0x00, 0x00));
    lblChipNotRead_->setWordWrap(true);
    lblChipNotRead_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(frames);
    layout->addWidget(lblChipNotRead_);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(lblVerifyResult_);
    layout->addLayout(progress);

    connect(cboCellCount_, &QComboBox::activated, this, &EepromPage::cboCellCount_Click);
    // Every change the user makes runs the handler: a click, the keyboard, or a toggle through
    // the accessibility interface, which sends no click. The page's own settings do not.
    connect(chkFsBit_, &QCheckBox::toggled, this, [this] {
        if (!settingFsBox_) chkFsBit_Click();
    });
    connect(txtOcDelay_, &QLineEdit::returnPressed, this,
            [this] { chkZvc_->setFocus(Qt::OtherFocusReason); });
    txtOcDelay_->installEventFilter(this);
    connect(cmdPreview_, &QPushButton::clicked, this, &EepromPage::cmdPreview_Click);
    connect(cmdProgramEeprom_, &QPushButton::clicked, this, &EepromPage::cmdProgramEeprom_Click);
    connect(cmdVerifyEeprom_, &QPushButton::clicked, this, &EepromPage::cmdVerifyEeprom_Click);
}

EepromPage::~EepromPage() = default;

// ---- building the page -------------------------------------------------------------------

QComboBox* EepromPage::addList(QGroupBox* frame, const eeprom::ListField& list, int row) {
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    auto* label = new QLabel(qs(list.label), frame);
    auto* combo = new QComboBox(frame);
    combo->setObjectName(qs(list.control));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const std::string_view item : list.items) combo->addItem(qs(item));
    combo->setCurrentIndex(-1);
    label->setBuddy(combo);
    combo->setAccessibleName(qs(list.label));
    combo->setToolTip(tooltips::field(list.field));
    grid->addWidget(label, row, 0);
    grid->addWidget(combo, row, 1);
    if (!list.unit.empty()) grid->addWidget(new QLabel(qs(list.unit), frame), row, 2);
    return combo;
}

QCheckBox* EepromPage::addFlag(QGroupBox* frame, const eeprom::FlagField& flag, int row) {
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    // '&' marks a mnemonic in a caption; a literal one is written twice.
    auto* box =
        new QCheckBox(qs(flag.caption).replace(QLatin1Char('&'), QStringLiteral("&&")), frame);
    box->setObjectName(qs(flag.control));
    box->setToolTip(tooltips::field(flag.field));
    grid->addWidget(box, row, 0, 1, 4);
    return box;
}

void EepromPage::alignFrameColumns(std::span<QGroupBox* const> frames) {
    // Labels, lists and units line up on one grid across the frames: every frame's column
    // is as wide as the widest cell of that column in any frame.
    std::array<int, 3> widths{};
    for (QGroupBox* frame : frames) {
        auto* grid = static_cast<QGridLayout*>(frame->layout());
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            if (columns != 1 || column > 2) continue;  // flags span the whole frame
            const auto c = static_cast<std::size_t>(column);
            widths[c] = std::max(widths[c], grid->itemAt(i)->sizeHint().width());
        }
    }
    for (QGroupBox* frame : frames) {
        auto* grid = static_cast<QGridLayout*>(frame->layout());
        for (int c = 0; c < 3; ++c)
            grid->setColumnMinimumWidth(c, widths[static_cast<std::size_t>(c)]);
    }
}

namespace {
QGroupBox* makeFrame(int slot, const char* name, QWidget* parent) {
    auto* frame = new QGroupBox(qs(eeprom::kFrameCaptions[static_cast<std::size_t>(slot)]), parent);
    frame->setObjectName(QLatin1String(name));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(3, 1);  // spare room goes right of the units, not between columns
    return frame;
}
}  // namespace

QGroupBox* EepromPage::buildOvCfg() {
    QGroupBox* frame = makeFrame(0, "fraOvCfg", this);
    cboOvThresh_ = addList(frame, eeprom::kOvThreshold, 0);
    cboOvHyst_ = addList(frame, eeprom::kOvHysteresis, 1);
    cboOvDetDelay_ = addList(frame, eeprom::kOvDelay, 2);
    return frame;
}

QGroupBox* EepromPage::buildUvLevel() {
    QGroupBox* frame = makeFrame(1, "fraUvLevel", this);
    cboUvThresh_ = addList(frame, eeprom::kUvThreshold, 0);
    cboUvHyst_ = addList(frame, eeprom::kUvHysteresis, 1);
    chkDisDsgFet_ = addFlag(frame, eeprom::kDisDsgFet, 2);
    chkDisDsgChgFet_ = addFlag(frame, eeprom::kDisDsgChgFet, 3);
    return frame;
}

QGroupBox* EepromPage::buildOcUvDelay() {
    QGroupBox* frame = makeFrame(2, "fraOcUvDelay", this);
    cboOcThresh_ = addList(frame, eeprom::kOcThreshold, 0);
    cboUvDelay_ = addList(frame, eeprom::kUvDelay, 1);  // filled on initialisation
    cboCellCount_ = addList(frame, eeprom::kCellCount, 2);
    cboCellCount_->setCurrentIndex(eeprom::kCellCountDefaultItem);
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    chkFsBit_ = new QCheckBox(qs(eeprom::kFsBitCaption), frame);
    chkFsBit_->setObjectName(qs(eeprom::kFsBitControl));
    chkFsBit_->setToolTip(tooltips::field(chip::Field{chip::OUTPUT_CNTRL, 7, 1}));
    grid->addWidget(chkFsBit_, 3, 0, 1, 4);
    auto* note = new QLabel(qs(eeprom::kCellCountNote), frame);
    note->setObjectName(QStringLiteral("Label45"));
    note->setWordWrap(true);
    grid->addWidget(note, 4, 0, 1, 4);
    return frame;
}

QGroupBox* EepromPage::buildOcdCfg() {
    QGroupBox* frame = makeFrame(3, "fraOcdCfg", this);
    auto* grid = static_cast<QGridLayout*>(frame->layout());
    auto* label = new QLabel(qs(eeprom::kOcDelayLabel), frame);
    txtOcDelay_ = new QLineEdit(frame);
    txtOcDelay_->setObjectName(qs(eeprom::kOcDelayControl));
    txtOcDelay_->setMaxLength(eeprom::kOcDelayMaxLength);
    txtOcDelay_->setMaximumWidth(Miscellaneous::Twips(900));
    txtOcDelay_->setToolTip(tooltips::field(chip::Field{chip::OCDELAY, 0, 5}));
    label->setBuddy(txtOcDelay_);
    txtOcDelay_->setAccessibleName(qs(eeprom::kOcDelayLabel));
    grid->addWidget(label, 0, 0);
    grid->addWidget(txtOcDelay_, 0, 1);
    grid->addWidget(new QLabel(qs(eeprom::kOcDelayUnit), frame), 0, 2);
    chkSOR_ = addFlag(frame, eeprom::kSor, 1);
    chkZvc_ = addFlag(frame, eeprom::kZvc, 2);
    chkCben_ = addFlag(frame, eeprom::kCben, 3);
    return frame;
}

QGroupBox* EepromPage::buildScdCfg() {
    QGroupBox* frame = makeFrame(4, "fraScdCfg", this);
    cboShortCircuitThresh_ = addList(frame, eeprom::kScdThreshold, 0);
    cboShortCircuitDelay_ = addList(frame, eeprom::kScdDelay, 1);
    return frame;
}

// ---- wiring ------------------------------------------------------------------------------

void EepromPage::setStatusTimer(QTimer* tmrStatus) {
    tmrStatus_ = tmrStatus;
}

void EepromPage::setFileMenuItems(QAction* save, QAction* open) {
    mnuFileSaveEeprom_ = save;
    mnuFileOpenEeprom_ = open;
}

void EepromPage::setWait(std::function<void(double)> wait) {
    wait_ = std::move(wait);
}

void EepromPage::startStatusTimer() {
    // Starting a running timer would restart its interval; it is only switched on.
    if (tmrStatus_ && !tmrStatus_->isActive()) tmrStatus_->start();
}

bool EepromPage::isCurrentPage() const {
    const auto* stack = qobject_cast<const QStackedWidget*>(parentWidget());
    return stack == nullptr || stack->currentWidget() == this;
}

void EepromPage::setBusy(bool busy) {
    busy_ = busy;
    cmdPreview_->setEnabled(!busy);
    cmdProgramEeprom_->setEnabled(!busy);
    cmdVerifyEeprom_->setEnabled(!busy);
    chkFsBit_->setEnabled(!busy);
    // The File items belong to the EEPROM tab; after a tab change they stay as the tab left them.
    const bool fileItems = !busy && isCurrentPage();
    if (mnuFileSaveEeprom_) mnuFileSaveEeprom_->setEnabled(fileItems);
    if (mnuFileOpenEeprom_) mnuFileOpenEeprom_->setEnabled(fileItems);
}

void EepromPage::message(const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, window());
    box.exec();
}

void EepromPage::hideProgress() {
    Label47_->hide();
    ProgressBar1_->hide();
}

void EepromPage::shutdownForClose() {
    if (programmer_->running()) {
        programmer_->emergencyStop();
    } else {
        // The raw dialog may have armed the chip by hand.
        const eeprom::SafeEndResult r = eeprom::safeEnd(comm_);
        if (!r.ok()) {
            message(qs(r.voltageOff ? eeprom::kNotDisarmed : eeprom::kVoltageStuckOn),
                    qs(eeprom::kAppTitle), MessageIcon::Warning);
        }
    }
    hideProgress();
}

// ---- page <-> registers --------------------------------------------------------------------

void EepromPage::takeCellCount() {
    yCellCount_ = static_cast<std::uint8_t>(
        eeprom::cellCountFromText(cboCellCount_->currentText().toStdString()));
}

void EepromPage::buildUvDelayList(eeprom::UvDelaySuffix suffix) {
    cboUvDelay_->clear();
    for (const std::string& item :
         eeprom::uvDelayItems(chkFsBit_->isChecked(), yCellCount_, suffix))
        cboUvDelay_->addItem(QString::fromStdString(item));
    cboUvDelay_->setCurrentIndex(-1);
}

void EepromPage::InitializeEepromPage(bool bFromEepromFile,
                                      const std::optional<std::array<std::uint8_t, 5>>& yFileData) {
    takeCellCount();
    // A register that could not be read shows no value rather than a stand-in byte's.
    bool allRead = true;
    std::array<bool, chip::kEepromCount> known{};
    eeprom::EepromImage image{};
    auto value = [&](int slot) {
        const auto i = static_cast<std::size_t>(slot);
        std::uint8_t v = 0;
        if (bFromEepromFile) {
            if (yFileData) v = (*yFileData)[i];
        } else if (comm_.ReadRegister(static_cast<std::uint8_t>(chip::kFirstEeprom + slot), v) !=
                   0) {
            allRead = false;
            return;
        }
        image[i] = v;
        known[i] = true;
    };

    // The bus order of the page's first fill: 0x06, 0x07, OUTPUT_CNTRL, 0x08..0x0A.
    value(0);
    value(1);
    // The FS bit lives in a control register, so it always comes from the chip.
    std::uint8_t outputCntrl = 0;
    if (comm_.ReadRegister(chip::OUTPUT_CNTRL, outputCntrl) != 0 && !bFromEepromFile)
        allRead = false;
    for (int slot = 2; slot < chip::kEepromCount; ++slot) value(slot);

    setFsBox((outputCntrl & chip::kOutFS) != 0);
    buildUvDelayList(eeprom::UvDelaySuffix::Alt);
    showSettings(eeprom::decode(image), known);

    chipNotRead_ = !allRead;
    lblChipNotRead_->setVisible(chipNotRead_);

    if (!busy_) {
        if (mnuFileSaveEeprom_) mnuFileSaveEeprom_->setEnabled(true);
        if (mnuFileOpenEeprom_) mnuFileOpenEeprom_->setEnabled(true);
    }
}

void EepromPage::showSettings(const eeprom::EepromSettings& s,
                              const std::array<bool, chip::kEepromCount>& known) {
    auto isKnown = [&](const chip::Field& field) {
        return known[static_cast<std::size_t>(field.address - chip::kFirstEeprom)];
    };
    auto setList = [&](QComboBox* list, const eeprom::ListField& field, std::uint8_t code) {
        list->setCurrentIndex(isKnown(field.field) ? code : -1);
    };
    auto setFlag = [&](QCheckBox* box, const eeprom::FlagField& flag, bool set) {
        box->setChecked(isKnown(flag.field) && set);
    };
    setList(cboOvThresh_, eeprom::kOvThreshold, s.ovThreshold);
    setList(cboOvHyst_, eeprom::kOvHysteresis, s.ovHysteresis);
    setList(cboOvDetDelay_, eeprom::kOvDelay, s.ovDelay);
    setList(cboUvThresh_, eeprom::kUvThreshold, s.uvThreshold);
    setList(cboUvHyst_, eeprom::kUvHysteresis, s.uvHysteresis);
    setFlag(chkDisDsgFet_, eeprom::kDisDsgFet, s.uvFetDisable);
    setFlag(chkDisDsgChgFet_, eeprom::kDisDsgChgFet, s.socDisable);
    setList(cboOcThresh_, eeprom::kOcThreshold, s.ocThreshold);
    setList(cboUvDelay_, eeprom::kUvDelay, s.uvDelay);
    txtOcDelay_->setText(isKnown(chip::kOcDelay)
                             ? QString::fromStdString(eeprom::ocDelayText(s.ocDelay))
                             : QString());
    setFlag(chkSOR_, eeprom::kSor, s.sor);
    setFlag(chkZvc_, eeprom::kZvc, s.zvc);
    setFlag(chkCben_, eeprom::kCben, s.cben);
    setList(cboShortCircuitThresh_, eeprom::kScdThreshold, s.scdThreshold);
    setList(cboShortCircuitDelay_, eeprom::kScdDelay, s.scdDelay);
}

ConversionOutcome EepromPage::convert() {
    eeprom::EepromImage image{};
    return eeprom::convertAndLoad(*host_, comm_, image);
}

ConversionOutcome EepromPage::compose(eeprom::EepromImage& image) {
    // The box may still have the focus: snap its text as leaving it would, so the delay that
    // goes out is the one shown.
    if (const auto snapped = eeprom::snapOcDelayText(txtOcDelay_->text().toStdString()))
        txtOcDelay_->setText(QString::fromStdString(*snapped));
    eeprom::PageState page;
    page.ovThreshold = choiceOf(cboOvThresh_);
    page.ovHysteresis = choiceOf(cboOvHyst_);
    page.ovDelay = choiceOf(cboOvDetDelay_);
    page.uvThreshold = choiceOf(cboUvThresh_);
    page.uvHysteresis = choiceOf(cboUvHyst_);
    page.disDsgFet = chkDisDsgFet_->isChecked();
    page.disDsgChgFet = chkDisDsgChgFet_->isChecked();
    page.ocThreshold = choiceOf(cboOcThresh_);
    page.uvDelay = choiceOf(cboUvDelay_);
    for (int i = 0; i < cboUvDelay_->count(); ++i)
        page.uvDelayItems.push_back(cboUvDelay_->itemText(i).toStdString());
    page.ocDelayText = txtOcDelay_->text().toStdString();
    page.sor = chkSOR_->isChecked();
    page.zvc = chkZvc_->isChecked();
    page.cben = chkCben_->isChecked();
    page.scdThreshold = choiceOf(cboShortCircuitThresh_);
    page.scdDelay = choiceOf(cboShortCircuitDelay_);

    const eeprom::ConversionResult result = eeprom::convertPage(page);
    if (std::holds_alternative<eeprom::NoValues>(result)) {
        message(qs(eeprom::kNoValuesProgrammed), qs(eeprom::kAppTitle), MessageIcon::None);
        return ConversionOutcome::NoValues;
    }
    if (const auto* error = std::get_if<eeprom::FieldError>(&result)) {
        message(QString::fromStdString(error->message()), qs(eeprom::kAppTitle),
                MessageIcon::Warning);
        return ConversionOutcome::Failed;
    }
    const auto& converted = std::get<eeprom::Converted>(result);
    const std::array<QComboBox*, 9> lists{
        cboOvThresh_, cboOvHyst_,  cboOvDetDelay_,         cboUvThresh_,         cboUvHyst_,
        cboOcThresh_, cboUvDelay_, cboShortCircuitThresh_, cboShortCircuitDelay_};
    for (std::size_t i = 0; i < lists.size(); ++i) lists[i]->setCurrentIndex(converted.settled[i]);
    image = converted.image;
    return ConversionOutcome::Written;
}

bool EepromPage::ConvertEepromControlsToBytes() {
    return convert() == ConversionOutcome::Written;
}

// ---- the page's own handlers ---------------------------------------------------------------

void EepromPage::cboCellCount_Click() {
    takeCellCount();
    std::vector<std::string> items;
    for (int i = 0; i < cboUvDelay_->count(); ++i)
        items.push_back(cboUvDelay_->itemText(i).toStdString());
    const int position =
        eeprom::findItem(items, cboUvDelay_->currentText().toStdString()).value_or(-1);
    buildUvDelayList(eeprom::UvDelaySuffix::Dash);
    // Same UVD code, new texts; no match leaves the list without a shown item.
    cboUvDelay_->setCurrentIndex(position);
}

void EepromPage::chkFsBit_Click() {
    std::uint8_t outputCntrl = 0;
    // A lost read would write its stand-in byte over the FET and latch bits: write nothing,
    // and leave the box and the list as they were, since the chip's FS did not change.
    if (comm_.ReadRegister(chip::OUTPUT_CNTRL, outputCntrl) != 0) {
        setFsBox(!chkFsBit_->isChecked());
        return;
    }
    outputCntrl = chip::Field{chip::OUTPUT_CNTRL, 7, 1}.put(outputCntrl, chkFsBit_->isChecked());
    comm_.WriteRegister(chip::OUTPUT_CNTRL, outputCntrl);

    takeCellCount();
    buildUvDelayList(eeprom::UvDelaySuffix::Dash);
    // The chip's UV delay, not the page's: the list's meaning has just changed.
    std::uint8_t ocvUvDelay = 0;
    comm_.ReadRegister(chip::OCV_UV_DELAY, ocvUvDelay);
    cboUvDelay_->setCurrentIndex(chip::kUvDelay.get(ocvUvDelay));
}

void EepromPage::setFsBox(bool checked) {
    settingFsBox_ = true;
    chkFsBit_->setChecked(checked);
    settingFsBox_ = false;
}

bool EepromPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtOcDelay_ && event->type() == QEvent::FocusOut) {
        // Focus leaving with its window (a message box, another program) is not the user
        // moving on from the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            txtOcDelay_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void EepromPage::txtOcDelay_LostFocus() {
    const std::optional<std::string> snapped =
        eeprom::snapOcDelayText(txtOcDelay_->text().toStdString());
    if (!snapped) {
        message(qs(eeprom::kOcDelayNotNumeric), qs(eeprom::kAppTitle), MessageIcon::None);
        // The focus is still on its way to the next control; take it back once it got there.
        QTimer::singleShot(0, txtOcDelay_, [box = txtOcDelay_] {
            box->setFocus(Qt::OtherFocusReason);
            Miscellaneous::SelectAllText(box);
        });
        return;
    }
    txtOcDelay_->setText(QString::fromStdString(*snapped));
}

// ---- buttons -------------------------------------------------------------------------------

void EepromPage::cmdProgramEeprom_Click() {
    if (busy_ || refuseUnreadPage()) return;
    BusyScope busy(*this);
    emit programmingStarted();
    if (programmer_->run() == eeprom::ProgramResult::Success) emit programmedRegistersReadBack();
}

void EepromPage::cmdVerifyEeprom_Click() {
    if (busy_ || refuseUnreadPage()) return;
    BusyScope busy(*this);
    // The page's bytes without the conversion's wait and writes: Verify only reads.
    eeprom::EepromImage page{};
    if (compose(page) != ConversionOutcome::Written) return;
    const QString at = QStringLiteral("Verify at %1: ")
                           .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    auto readRetried = [this](std::uint8_t address, std::uint8_t& value) {
        std::int32_t rc = -1;
        for (int attempt = 0; attempt < eeprom::kReadAttempts && rc != 0; ++attempt)
            rc = comm_.ReadRegister(address, value);
        return rc == 0;
    };
    auto hex = [](std::uint8_t b) { return QString::fromStdString(Miscellaneous::ByteToHex(b)); };
    eeprom::EepromImage chipBytes{};
    for (int i = 0; i < chip::kEepromCount; ++i) {
        const auto address = static_cast<std::uint8_t>(chip::kFirstEeprom + i);
        if (!readRetried(address, chipBytes[static_cast<std::size_t>(i)])) {
            showVerifyResult(at + QStringLiteral("the chip did not answer (register 0x%1); "
                                                 "nothing was compared")
                                      .arg(hex(address)));
            return;
        }
    }
    std::uint8_t output = 0;
    if (!readRetried(chip::OUTPUT_CNTRL, output)) {
        showVerifyResult(
            at + QStringLiteral("the chip did not answer (OUTPUT_CNTRL); PFALT is unknown"));
        return;
    }
    std::vector<std::string> uvItems;
    for (int i = 0; i < cboUvDelay_->count(); ++i)
        uvItems.push_back(cboUvDelay_->itemText(i).toStdString());
    const auto differences = eeprom::registerDifferences(page, chipBytes, uvItems);
    const bool pfalt = (output & chip::kOutPFALT) != 0;
    if (differences.empty() && !pfalt) {
        showVerifyResult(at + QStringLiteral("the chip's 0x06-0x0A equal the page, PFALT clear"));
        return;
    }
    if (differences.empty()) {
        showVerifyResult(at + QStringLiteral("the chip's 0x06-0x0A equal the page, but PFALT is "
                                             "set: the chip's last programming failed"));
        return;
    }
    QStringList lines{at + QStringLiteral("the chip differs from the page")};
    for (const eeprom::RegisterDifference& d : differences) {
        QStringList fields;
        for (const eeprom::FieldDifference& f : d.fields) {
            fields << QStringLiteral("%1: page %2, chip %3")
                          .arg(QString::fromStdString(f.label), QString::fromStdString(f.expected),
                               QString::fromStdString(f.actual));
        }
        lines << QStringLiteral("0x%1: page %2, chip %3 (%4)")
                     .arg(hex(d.address), hex(d.expected), hex(d.actual),
                          fields.join(QStringLiteral("; ")));
    }
    if (pfalt) lines << QStringLiteral("PFALT set: the chip's last programming failed");
    showVerifyResult(lines.join(QLatin1Char('\n')));
}

void EepromPage::showVerifyResult(const QString& text) {
    lblVerifyResult_->setText(text);
}

bool EepromPage::refuseUnreadPage() {
    if (!chipNotRead_) return false;
    message(qs(eeprom::kChipNotReadRefusal), qs(eeprom::kAppTitle), MessageIcon::Warning);
    return true;
}

void EepromPage::cmdPreview_Click() {
    if (busy_ || refuseUnreadPage()) return;
    BusyScope busy(*this);
    // After "No values programmed." the preview still shows the image as it stands; a page
    // that cannot be encoded has already been reported and shows nothing.
    if (convert() == ConversionOutcome::Failed) return;
    frmPreview preview(window());
    preview.Display(yEepromImage_);
    preview.exec();
}

// ---- files ---------------------------------------------------------------------------------

void EepromPage::mnuFileOpenEeprom_Click() {
    if (busy_) return;
    BusyScope busy(*this);
    EeFileDialog dialog(window(), qs(eeprom::kOpenTitle), QFileDialog::AcceptOpen, lastFolder_);
    if (dialog.exec() != QDialog::Accepted) return;
    lastFolder_ = dialog.directory().absolutePath();
    const QString name = dialog.selectedFiles().value(0);
    if (name.trimmed().isEmpty() || !eeprom::isRegularFile(name.toStdString())) {
        message(qs(eeprom::kFileDoesNotExist), qs(eeprom::kAppTitle), MessageIcon::None);
        return;
    }

    eeprom::EeReadResult result;
    {
        BusyPointer pointer;
        result = eeprom::readEeFile(name.toStdString());
        if (const auto* image = std::get_if<eeprom::EepromImage>(&result)) {
            InitializeEepromPage(true, *image);
            return;
        }
    }
    // Every value was checked before the page was touched, so a bad file changes nothing.
    const auto& error = std::get<eeprom::EeFileError>(result);
    if (error.kind == eeprom::EeFileError::Kind::InvalidName) {
        message(qs(eeprom::kInvalidFile), qs(eeprom::kAppTitle), MessageIcon::None);
    } else {
        message(QString::fromStdString(error.message()), qs(eeprom::kFileTitle),
                MessageIcon::Warning);
    }
}

void EepromPage::mnuFileSaveEeprom_Click() {
    if (busy_ || refuseUnreadPage()) return;
    BusyScope busy(*this);
    EeFileDialog dialog(window(), qs(eeprom::kSaveTitle), QFileDialog::AcceptSave, lastFolder_);
    QString name;
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return;
        lastFolder_ = dialog.directory().absolutePath();
        name = dialog.selectedFiles().value(0);
        if (name.trimmed().isEmpty() || !eeprom::isRegularFile(name.toStdString())) break;
        QMessageBox ask(QMessageBox::Warning, qs(eeprom::kOverwriteTitle),
                        qs(eeprom::kOverwriteQuestion),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, window());
        const int answer = ask.exec();
        if (answer == QMessageBox::Yes) break;
        if (answer != QMessageBox::No) return;  // Cancel, or the box closed
        dialog.selectFile(name);                // No: choose again from this name
    }

    std::optional<std::string> error;
    {
        BusyPointer pointer;
        // "No values programmed." still saves the image as it stood; a page that cannot be
        // encoded has been reported and leaves the file alone.
        if (convert() == ConversionOutcome::Failed) return;
        error = eeprom::writeEeFile(name.toStdString(), yEepromImage_);
    }
    if (error) {
        // The file is named: a read-only one, for instance, is refused and left as it was.
        message(qs(eeprom::kErrorSaving) + QStringLiteral("'") + name + QStringLiteral("': ") +
                    QString::fromStdString(*error),
                qs(eeprom::kFileTitle), MessageIcon::Warning);
    }
}
