#include "gui/pages/registers/registers_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
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
#include "gui/widgets/bit_color.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/widgets/fill_colour.h"
#include "gui/widgets/register_tooltips.h"
#include "gui/widgets/text_room.h"

using Miscellaneous::Twips;

namespace {

// Geometry in twips. Columns left to right: address, name, B7..B0, hex box, "Write".
constexpr int kAddrLeft = 120;
constexpr int kAddrWidth = 600;
constexpr int kNameLeft = 780;
constexpr int kNameWidth = 1680;
constexpr int kBitsLeft = 2520;
constexpr int kBitWidth = 720;
constexpr int kHexLeft = 8340;
constexpr int kHexWidth = 465;
constexpr int kWriteLeft = 8880;
constexpr int kWriteWidth = 840;
constexpr int kHeaderTop = 180;
constexpr int kHeaderHeight = 300;
constexpr int kFirstRowTop = 570;
constexpr int kRowPitch = 450;
constexpr int kRowHeight = 375;
constexpr int kFooterTop = kFirstRowTop + RegistersPage::kRows * kRowPitch + 240;

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

int rowTop(int a) {
    return kFirstRowTop + a * kRowPitch;
}

QLabel* makeCell(QWidget* parent, const QString& name, const QString& text, const QColor* fill) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAutoFillBackground(true);
    if (fill) fillcolour::apply(label, QPalette::Window, *fill);
    return label;
}

// The bit cells use a narrow face so that most names fit at a readable size; the few
// longer names ("UVFET_DIS") shrink on their own rather than shrinking the whole grid.
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

    buildHeaders();
    for (int a = 0; a < kRows; ++a) buildRow(a);
    buildFooter();
    textroom::widenToText(this);
}

void RegistersPage::buildHeaders() {
    QFont bold = font();
    bold.setBold(true);
    auto header = [&](const QString& name, const QString& text, int left, int width) {
        QLabel* label = makeCell(this, name, text, &kLabelGrey);
        label->setFont(bold);
        label->setGeometry(Twips(left), Twips(kHeaderTop), Twips(width), Twips(kHeaderHeight));
    };
    header(QStringLiteral("Label96"), QStringLiteral("Addr"), kAddrLeft, kAddrWidth);
    header(QStringLiteral("Label97"), QStringLiteral("Name"), kNameLeft, kNameWidth);
    for (int column = 0; column < 8; ++column) {  // B7 at the left
        header(QStringLiteral("Label%1").arg(99 + column), QStringLiteral("B%1").arg(7 - column),
               kBitsLeft + column * kBitWidth, kBitWidth);
    }
    header(QStringLiteral("Label98"), QStringLiteral("Hex"), kHexLeft, kHexWidth);
}

void RegistersPage::buildRow(int a) {
    const chip::RegisterInfo& reg = chip::kRegisters[static_cast<std::size_t>(a)];
    const int top = Twips(rowTop(a));
    const int height = Twips(kRowHeight);

    QLabel* address = makeCell(
        this, addressLabelName(a),
        QStringLiteral("0x") + QString::fromStdString(Miscellaneous::ByteToHex(a)), &kLabelGrey);
    address->setGeometry(Twips(kAddrLeft), top, Twips(kAddrWidth), height);

    QLabel* name = makeCell(
        this, nameLabelName(a),
        QString::fromLatin1(reg.name.data(), static_cast<qsizetype>(reg.name.size())), &kLabelGrey);
    name->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    name->setIndent(Twips(90));
    name->setGeometry(Twips(kNameLeft), top, Twips(kNameWidth), height);

    // Before the first read a cell has the window colour: no fill of its own.
    for (int bit = 0; bit < 8; ++bit) {
        const std::string_view text = reg.bits[static_cast<std::size_t>(bit)];
        const QString caption =
            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        QLabel* cell = makeCell(this, arrayName(kBitArrays[a], bit), caption, nullptr);
        cell->setFont(bitCellFont(font(), caption));
        cell->setToolTip(tooltips::bit(static_cast<unsigned>(a), static_cast<unsigned>(bit)));
        cell->setGeometry(Twips(kBitsLeft + (7 - bit) * kBitWidth), top, Twips(kBitWidth), height);
        bitCells_[static_cast<std::size_t>(a)][static_cast<std::size_t>(bit)] = cell;
    }

    auto* box = new QLineEdit(this);
    box->setObjectName(arrayName("txtData", a));
    box->setMaxLength(2);
    box->setAlignment(Qt::AlignCenter);
    box->setGeometry(Twips(kHexLeft), top, Twips(kHexWidth), height);
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this, a] { setEdited(a, true); });
    // Tab passes over the shown-only boxes: they would hand the focus straight back to the
    // page, and the keyboard could never get past them.
    if (!chip::isControlRegister(static_cast<unsigned>(a))) box->setFocusPolicy(Qt::ClickFocus);
    txtData_[static_cast<std::size_t>(a)] = box;
    setBoxColour(a, kBoxWhite);

    if (chip::isControlRegister(static_cast<unsigned>(a))) {
        auto* write = new QPushButton(QStringLiteral("Write"), this);
        write->setObjectName(arrayName("cmdWrite", a));
        write->setAutoDefault(false);
        write->setGeometry(Twips(kWriteLeft), top, Twips(kWriteWidth), height);
        connect(write, &QPushButton::clicked, this, [this, a] { cmdWrite_Click(a); });
        Miscellaneous::DisableWhileProgramming(write, comm_.programming());
    }
}

void RegistersPage::buildFooter() {
    auto* frame = new QGroupBox(QStringLiteral("Bit Color Legend"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(Twips(kBitsLeft), Twips(kFooterTop), Twips(2 * kBitWidth + 600), Twips(780));
    const QColor legend[2] = {widgets::bitColor(true), widgets::bitColor(false)};
    for (int i = 0; i < 2; ++i) {
        QLabel* cell = makeCell(frame, arrayName("Label7", i),
                                i == 0 ? QStringLiteral("1") : QStringLiteral("0"), &legend[i]);
        cell->setGeometry(Twips(240 + i * (kBitWidth + 120)), Twips(330), Twips(kBitWidth),
                          Twips(kRowHeight));
    }

    auto* readAll = new QPushButton(QStringLiteral("Read All"), this);
    readAll->setObjectName(QStringLiteral("cmdReadAll"));
    readAll->setAutoDefault(false);
    readAll->setGeometry(Twips(kHexLeft), Twips(kFooterTop + 120),
                         Twips(kWriteLeft + kWriteWidth - kHexLeft), Twips(420));
    connect(readAll, &QPushButton::clicked, this, &RegistersPage::ReadAllRegisters);

    auto* chkScan = new QCheckBox(QStringLiteral("Scan"), this);
    chkScan->setObjectName(QStringLiteral("chkScan"));
    chkScan->setChecked(true);
    chkScan->setGeometry(Twips(kHexLeft), Twips(kFooterTop + 660),
                         Twips(kWriteLeft + kWriteWidth - kHexLeft), Twips(330));
    connect(chkScan, &QCheckBox::clicked, this, &RegistersPage::chkScan_Click);
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
    // An empty palette inherits again: the window colour the cells have before any read.
    for (QLabel* cell : bitCells_[static_cast<std::size_t>(a)]) cell->setPalette(QPalette());
}

void RegistersPage::colourRow(int a, std::uint8_t value) {
    for (int bit = 0; bit < 8; ++bit) {
        QLabel* cell = bitCells_[static_cast<std::size_t>(a)][static_cast<std::size_t>(bit)];
        fillcolour::apply(cell, QPalette::Window, widgets::bitColor(((value >> bit) & 1U) != 0));
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
