#include "gui/pages/registers/registers_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "core/base/part_variables.h"
#include "core/chip/bit_colors.h"
#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "gui/widgets/bit_cell.h"
#include "gui/widgets/fill_colour.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/widgets/register_tooltips.h"

using Miscellaneous::Twips;

namespace {

// Sizes in twips, the design's at the system's usual font; a larger font or a wider style
// widens a column or a row rather than cutting its text. Columns left to right: address,
// name, B7..B0, hex box, "Write"; narrow gap columns keep the design's spacing while the
// bit cells stand edge to edge.
constexpr int kMargin = 120;
constexpr int kTopMargin = 180;
constexpr int kAddrWidth = 600;
constexpr int kNameWidth = 1440;  // names are never cut: a longer one widens the column
constexpr int kBitWidth = 690;
constexpr int kHexWidth = 465;
constexpr int kWriteWidth = 840;
constexpr int kGap = 60;
constexpr int kHeaderHeight = 300;
constexpr int kRowHeight = 375;
constexpr int kRowGap = 75;
constexpr int kFooterGap = 240;

// Grid columns.
constexpr int kAddrColumn = 0;
constexpr int kNameColumn = 2;
constexpr int kFirstBitColumn = 4;  // B7; B0 is kFirstBitColumn + 7
constexpr int kHexColumn = 13;
constexpr int kWriteColumn = 15;
constexpr int kGapColumns[] = {1, 3, 12, 14};
constexpr int kHeaderRow = 0;
constexpr int kFirstRegisterRow = 1;
constexpr int kFooterRow = kFirstRegisterRow + RegistersPage::kRows + 1;  // after a gap row

const QColor kLabelGrey(224, 224, 224);
const QColor kBoxWhite(255, 255, 255);
const QColor kHighlight(255, 255, 0);

// The bit-cell arrays of the rows, by address.
constexpr const char* kBitArrays[RegistersPage::kRows] = {
    "StatusBit",   "lblOutputCntrlBit", "lblStateCntrlBit", "FunctionCntrlBit",
    "CellBalBit",  "lblCellSelBit",     "OvCfgBit",         "UvLvlBit",
    "OcvUvDlyBit", "OcDlyBit",          "ScdCfgBit"};

// The address labels are Label8..Label17 for 0x00..0x09 and Label84 for 0x0A; the name
// labels Label73..Label83.
QString addressLabelName(int a) {
    return QStringLiteral("Label%1").arg(a <= 9 ? 8 + a : 84);
}
QString nameLabelName(int a) {
    return QStringLiteral("Label%1").arg(73 + a);
}

QString arrayName(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

QString registerName(int a) {
    const std::string_view name = chip::kRegisters[static_cast<std::size_t>(a)].name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QLabel* makeCell(QWidget* parent, const QString& name, const QString& text, const QColor& fill) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAutoFillBackground(true);
    fillcolour::apply(label, QPalette::Window, fill);
    return label;
}

// The bit cells use a narrow face so that most names fit at a readable size; the few
// longer names ("UVFET_DIS") shrink on their own rather than widening the whole grid.
QFont bitCellFont(const QFont& base, const QString& text) {
    QFont font = base;
    font.setStretch(QFont::SemiCondensed);
    font.setPointSizeF(std::min(base.pointSizeF(), 8.0));
    const int room = Twips(kBitWidth) - 4;
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 5.0) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    return font;
}

}  // namespace

RegistersPage::RegistersPage(Communication comm, QWidget* parent)
    : QWidget(parent), comm_(comm), tmrRegisterScan_(new QTimer(this)) {
    tmrRegisterScan_->setObjectName(QStringLiteral("tmrRegisterScan"));
    tmrRegisterScan_->setInterval(200);
    connect(tmrRegisterScan_, &QTimer::timeout, this, &RegistersPage::tmrRegisterScan_Timer);

    // The page itself takes the focus that the read-only boxes refuse.
    setFocusPolicy(Qt::ClickFocus);

    grid_ = new QGridLayout(this);
    // No right margin: the tab's own frame stands there.
    grid_->setContentsMargins(Twips(kMargin), Twips(kTopMargin), 0, Twips(kMargin));
    grid_->setHorizontalSpacing(0);
    grid_->setVerticalSpacing(Twips(kRowGap));
    for (int column : kGapColumns) grid_->setColumnMinimumWidth(column, Twips(kGap));
    grid_->setColumnMinimumWidth(kAddrColumn, Twips(kAddrWidth));
    grid_->setColumnMinimumWidth(kNameColumn, Twips(kNameWidth));
    for (int bit = 0; bit < 8; ++bit)
        grid_->setColumnMinimumWidth(kFirstBitColumn + bit, Twips(kBitWidth));
    grid_->setColumnMinimumWidth(kHexColumn, Twips(kHexWidth));
    grid_->setColumnMinimumWidth(kWriteColumn, Twips(kWriteWidth));
    // Spare room goes to the right and below, as on the design.
    grid_->setColumnStretch(kWriteColumn + 1, 1);
    grid_->setRowMinimumHeight(kFooterRow - 1, Twips(kFooterGap - kRowGap));
    grid_->setRowStretch(kFooterRow + 2, 1);

    buildHeaders();
    for (int a = 0; a < kRows; ++a) buildRow(a);
    buildFooter();
}

void RegistersPage::buildHeaders() {
    QFont bold = font();
    bold.setBold(true);
    auto header = [&](const QString& name, const QString& text, int column) {
        QLabel* label = makeCell(this, name, text, kLabelGrey);
        label->setFont(bold);
        label->setMinimumHeight(Twips(kHeaderHeight));
        grid_->addWidget(label, kHeaderRow, column);
    };
    header(QStringLiteral("Label96"), QStringLiteral("Addr"), kAddrColumn);
    header(QStringLiteral("Label97"), QStringLiteral("Name"), kNameColumn);
    for (int column = 0; column < 8; ++column) {  // B7 at the left
        header(QStringLiteral("Label%1").arg(99 + column), QStringLiteral("B%1").arg(7 - column),
               kFirstBitColumn + column);
    }
    header(QStringLiteral("Label98"), QStringLiteral("Hex"), kHexColumn);
}

void RegistersPage::buildRow(int a) {
    const chip::RegisterInfo& reg = chip::kRegisters[static_cast<std::size_t>(a)];
    const int row = kFirstRegisterRow + a;
    const QString name = registerName(a);

    QLabel* address = makeCell(
        this, addressLabelName(a),
        QStringLiteral("0x") + QString::fromStdString(Miscellaneous::ByteToHex(a)), kLabelGrey);
    address->setMinimumHeight(Twips(kRowHeight));
    grid_->addWidget(address, row, kAddrColumn);

    QLabel* nameLabel = makeCell(this, nameLabelName(a), name, kLabelGrey);
    nameLabel->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    nameLabel->setIndent(Twips(90));
    grid_->addWidget(nameLabel, row, kNameColumn);

    // Before the first read a cell has the window colour: no fill of its own.
    for (int bit = 0; bit < 8; ++bit) {
        const std::string_view text = reg.bits[static_cast<std::size_t>(bit)];
        const QString caption =
            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        auto* cell = new BitCell(
            caption, tooltips::bit(static_cast<unsigned>(a), static_cast<unsigned>(bit)), this);
        cell->setObjectName(arrayName(kBitArrays[a], bit));
        cell->setFont(bitCellFont(font(), caption));
        cell->setMinimumWidth(Twips(kBitWidth));
        grid_->addWidget(cell, row, kFirstBitColumn + 7 - bit);
        bitCells_[static_cast<std::size_t>(a)][static_cast<std::size_t>(bit)] = cell;
    }

    auto* box = new QLineEdit(this);
    box->setObjectName(arrayName("txtData", a));
    box->setAccessibleName(name + QStringLiteral(" hex value"));
    box->setMaxLength(2);
    box->setAlignment(Qt::AlignCenter);
    // Two digits and the box's own margins, whatever the font.
    box->setFixedWidth(
        std::max(Twips(kHexWidth), box->fontMetrics().horizontalAdvance(QStringLiteral("FFF"))));
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this, a] { setEdited(a, true); });
    // Tab passes over the shown-only boxes: they would hand the focus straight back to the
    // page, and the keyboard could never get past them.
    if (!chip::isControlRegister(static_cast<unsigned>(a))) box->setFocusPolicy(Qt::ClickFocus);
    txtData_[static_cast<std::size_t>(a)] = box;
    setBoxColour(a, kBoxWhite);
    grid_->addWidget(box, row, kHexColumn);

    if (chip::isControlRegister(static_cast<unsigned>(a))) {
        auto* write = new QPushButton(QStringLiteral("Write"), this);
        write->setObjectName(arrayName("cmdWrite", a));
        write->setAccessibleName(QStringLiteral("Write ") + name);
        write->setAutoDefault(false);
        // Whole under any style: an explicit minimum would win over the button's own.
        write->setMinimumWidth(std::max(Twips(kWriteWidth), write->sizeHint().width()));
        grid_->addWidget(write, row, kWriteColumn);
        connect(write, &QPushButton::clicked, this, [this, a] { cmdWrite_Click(a); });
        Miscellaneous::DisableWhileProgramming(write, comm_.programming());
    }
}

void RegistersPage::buildFooter() {
    auto* frame = new QGroupBox(QStringLiteral("Bit Color Legend"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* legendRow = new QHBoxLayout(frame);
    for (int i = 0; i < 2; ++i) {
        auto* cell = new BitCell(i == 0 ? QStringLiteral("1") : QStringLiteral("0"),
                                 QStringLiteral("legend: a bit that is %1").arg(1 - i), frame);
        cell->setObjectName(arrayName("Label7", i));
        cell->setBit(i == 0);
        cell->setMinimumSize(Twips(kBitWidth), Twips(kRowHeight));
        legendRow->addWidget(cell);
    }
    legendRow->addStretch(1);
    grid_->addWidget(frame, kFooterRow, kFirstBitColumn, 2, 3, Qt::AlignTop | Qt::AlignLeft);

    auto* readAll = new QPushButton(QStringLiteral("Read All"), this);
    readAll->setObjectName(QStringLiteral("cmdReadAll"));
    readAll->setAutoDefault(false);
    grid_->addWidget(readAll, kFooterRow, kHexColumn, 1, kWriteColumn - kHexColumn + 1);

    auto* chkScan = new QCheckBox(QStringLiteral("Scan"), this);
    chkScan->setObjectName(QStringLiteral("chkScan"));
    chkScan->setChecked(true);
    grid_->addWidget(chkScan, kFooterRow + 1, kHexColumn, 1, kWriteColumn - kHexColumn + 1,
                     Qt::AlignLeft);
    connect(readAll, &QPushButton::clicked, this, &RegistersPage::ReadAllRegisters);
    // A tick through the accessibility interface toggles the box without a click; the scan
    // follows the box whichever way it changed.
    connect(chkScan, &QCheckBox::toggled, this, &RegistersPage::chkScan_Click);
}

void RegistersPage::ReadAllRegisters() {
    // A queued tick or click runs before the reads, not in the middle of them.
    QCoreApplication::processEvents();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);

    // A read that fails shows "--" and uncoloured bits, never a neighbour's byte; "--" is
    // no hex byte, so Write refuses it.
    for (int a = 0; a < kRows; ++a) {
        std::uint8_t value = 0;
        setEdited(a, false);
        if (comm_.ReadRegister(static_cast<std::uint8_t>(a), value) == 0) {
            showChipValue(a, QString::fromStdString(Miscellaneous::ByteToHex(value)));
            colourRow(a, value);
        } else {
            showChipValue(a, QStringLiteral("--"));
            clearRowColour(a);
        }
    }
    for (int a = 0; a < kRows; ++a) setBoxColour(a, kBoxWhite);

    QGuiApplication::restoreOverrideCursor();
}

void RegistersPage::cmdWrite_Click(int a) {
    QLineEdit* box = txtData_[static_cast<std::size_t>(a)];
    const std::int16_t value = Miscellaneous::HexToByte(box->text().toStdString());
    if (value < 0) {
        QMessageBox message(QMessageBox::NoIcon, QStringLiteral("Varenthal"),
                            QStringLiteral("Please enter a valid hex byte."), QMessageBox::Ok,
                            this);
        message.exec();
        // The main window may still be inactive after the message box; then the box gets
        // its focus only on activation, so the rules are applied here at once.
        box->setFocus(Qt::OtherFocusReason);
        txtData_GotFocus(a, Qt::OtherFocusReason);
        return;
    }
    box->setText(QString::fromStdString(Miscellaneous::ByteToHex(static_cast<unsigned>(value))));
    setEdited(a, false);
    comm_.WriteRegister(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(value));
    ReadAllRegisters();
}

void RegistersPage::chkScan_Click(bool checked) {
    if (checked) {
        startScan();
        bScanEnabled = true;
    } else {
        tmrRegisterScan_->stop();
        bScanEnabled = false;
    }
}

void RegistersPage::txtData_GotFocus(int a, Qt::FocusReason reason) {
    if (!chip::isControlRegister(static_cast<unsigned>(a))) {
        // Status and EEPROM registers are shown only; they are written elsewhere. The focus
        // moves once the focus change that brought it here has finished.
        QLineEdit* box = txtData_[static_cast<std::size_t>(a)];
        QTimer::singleShot(0, this, [this, box] {
            if (box->hasFocus()) setFocus(Qt::OtherFocusReason);
        });
        return;
    }
    tmrRegisterScan_->stop();
    // Coming back from another window keeps what the user had selected there.
    if (reason == Qt::ActiveWindowFocusReason) return;
    QLineEdit* box = txtData_[static_cast<std::size_t>(a)];
    Miscellaneous::SelectAllText(box);
    // A mouse press places the cursor after the focus arrived; select again on release.
    selectOnRelease_ = reason == Qt::MouseFocusReason ? a : -1;
}

void RegistersPage::txtData_LostFocus() {
    if (bScanEnabled) startScan();
}

void RegistersPage::tmrRegisterScan_Timer() {
    QCoreApplication::processEvents();
    scanPosition_ = (scanPosition_ + 1) % kRows;
    std::uint8_t value = 0;
    if (comm_.ReadRegister(static_cast<std::uint8_t>(scanPosition_), value) == 0) {
        setBoxColour(highlightedBox_, kBoxWhite);
        highlightedBox_ = scanPosition_;
        setBoxColour(highlightedBox_, kHighlight);
        showChipValue(scanPosition_, QString::fromStdString(Miscellaneous::ByteToHex(value)));
    }
    // Even a failed read colours the row, from the byte as the read left it.
    colourRow(scanPosition_, value);
}

bool RegistersPage::eventFilter(QObject* watched, QEvent* event) {
    const int a = boxIndex(watched);
    if (a < 0) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn: {
            // A context menu of the box takes and gives back the focus; that is no move.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::PopupFocusReason) break;
            static_cast<QLineEdit*>(watched)->event(event);
            txtData_GotFocus(a, reason);
            return true;
        }
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (selectOnRelease_ == a) selectOnRelease_ = -1;
            if (reason == Qt::PopupFocusReason) break;
            static_cast<QLineEdit*>(watched)->event(event);
            txtData_LostFocus();
            return true;
        }
        case QEvent::KeyPress:
            // Escape drops an edit that was not written and shows the chip's value again.
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
                edited_[static_cast<std::size_t>(a)]) {
                setEdited(a, false);
                showChipValue(a, chipText_[static_cast<std::size_t>(a)]);
                Miscellaneous::SelectAllText(txtData_[static_cast<std::size_t>(a)]);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (selectOnRelease_ == a) {
                selectOnRelease_ = -1;
                QLineEdit* box = txtData_[static_cast<std::size_t>(a)];
                static_cast<QLineEdit*>(watched)->event(event);
                if (!box->hasSelectedText()) Miscellaneous::SelectAllText(box);
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void RegistersPage::startScan() {
    // Starting a running timer would restart its interval; the scan keeps its rhythm.
    if (!tmrRegisterScan_->isActive()) tmrRegisterScan_->start();
}

void RegistersPage::showChipValue(int a, const QString& text) {
    const auto i = static_cast<std::size_t>(a);
    chipText_[i] = text;
    if (!edited_[i]) txtData_[i]->setText(text);
}

void RegistersPage::clearRowColour(int a) {
    for (BitCell* cell : bitCells_[static_cast<std::size_t>(a)]) cell->setBit(std::nullopt);
}

void RegistersPage::colourRow(int a, std::uint8_t value) {
    for (int bit = 0; bit < 8; ++bit) {
        bitCells_[static_cast<std::size_t>(a)][static_cast<std::size_t>(bit)]->setBit(
            ((value >> bit) & 1U) != 0);
    }
}

void RegistersPage::setBoxColour(int a, const QColor& colour) {
    QLineEdit* box = txtData_[static_cast<std::size_t>(a)];
    // The scan's highlight never hides that a box holds the user's text.
    fillcolour::apply(box, QPalette::Base, isEdited(a) ? kEditedColour : colour);
}

void RegistersPage::setEdited(int a, bool edited) {
    const auto i = static_cast<std::size_t>(a);
    if (edited_[i] == edited) return;
    edited_[i] = edited;
    QLineEdit* box = txtData_[i];
    box->setProperty("edited", edited);
    QFont font = box->font();
    font.setItalic(edited);
    box->setFont(font);
    box->setToolTip(edited ? QStringLiteral("Edited, not written: Write sends it, Escape or "
                                            "Read All shows the chip's value again")
                           : QString());
    setBoxColour(a, a == highlightedBox_ ? kHighlight : kBoxWhite);
}

int RegistersPage::boxIndex(const QObject* object) const {
    for (int a = 0; a < kRows; ++a) {
        if (txtData_[static_cast<std::size_t>(a)] == object) return a;
    }
    return -1;
}
