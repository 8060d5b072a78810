#include "gui/pages/eeprom/frm_preview.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "core/chip/register_map.h"
#include "core/link/miscellaneous.h"
#include "gui/widgets/bit_cell.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/widgets/register_tooltips.h"
#include "gui/widgets/screen_fit.h"

namespace {

// The bit-cell arrays of the five rows, as the register view names them too.
constexpr std::array<const char*, 5> kCellArrays{"OvCfgBit", "UvLvlBit", "OcvUvDlyBit", "OcDlyBit",
                                                 "ScdCfgBit"};
constexpr int kHeadingRow = 0;
constexpr int kFirstBitColumn = 3;  // Addr, Name, Hex, then B7..B0

// A narrow face as on the Registers page keeps the eight cells within the main window's
// width; one width for every cell, wide enough for the longest bit name.
void narrowCell(QLabel* cell) {
    QFont narrow = cell->font();
    narrow.setStretch(QFont::SemiCondensed);
    narrow.setPointSizeF(std::min(narrow.pointSizeF(), 8.0));
    cell->setFont(narrow);
    cell->setMinimumWidth(cell->fontMetrics().horizontalAdvance(QStringLiteral("UVFET_DIS")) + 8);
}

}  // namespace

frmPreview::frmPreview(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("EEPROM Preview"));
    setModal(true);

    // The grid and the legend scroll on a screen too small for them; "Close" stays in view.
    auto* content = new QWidget;
    auto* grid = new QGridLayout;
    const QStringList headings{
        QStringLiteral("Addr"), QStringLiteral("Name"), QStringLiteral("Hex"), QStringLiteral("B7"),
        QStringLiteral("B6"),   QStringLiteral("B5"),   QStringLiteral("B4"),  QStringLiteral("B3"),
        QStringLiteral("B2"),   QStringLiteral("B1"),   QStringLiteral("B0")};
    for (int c = 0; c < headings.size(); ++c) {
        auto* heading = new QLabel(headings[c], this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, kHeadingRow, c);
    }
    for (int r = 0; r < chip::kEepromCount; ++r) {
        const auto address = static_cast<unsigned>(chip::kFirstEeprom + r);
        const chip::RegisterInfo& info = *chip::findRegister(address);
        const int row = kHeadingRow + 1 + r;
        grid->addWidget(new QLabel(QStringLiteral("0x") +
                                       QString::fromStdString(Miscellaneous::ByteToHex(address)),
                                   this),
                        row, 0);
        grid->addWidget(
            new QLabel(QString::fromUtf8(info.name.data(), static_cast<int>(info.name.size())),
                       this),
            row, 1);
        auto* hex = new QLineEdit(this);
        hex->setObjectName(QStringLiteral("txtData(%1)").arg(address));
        hex->setAccessibleName(
            QString::fromUtf8(info.name.data(), static_cast<int>(info.name.size())) +
            QStringLiteral(" hex value"));
        hex->setReadOnly(true);
        hex->setAlignment(Qt::AlignCenter);
        hex->setMaximumWidth(Miscellaneous::Twips(600));
        txtData_[static_cast<std::size_t>(r)] = hex;
        grid->addWidget(hex, row, 2);
        for (int bit = 0; bit < 8; ++bit) {
            const std::string_view name = info.bits[static_cast<std::size_t>(bit)];
            auto* cell = new BitCell(QString::fromUtf8(name.data(), static_cast<int>(name.size())),
                                     tooltips::bit(address, static_cast<unsigned>(bit)), this);
            narrowCell(cell);
            cell->setObjectName(
                QStringLiteral("%1(%2)").arg(QLatin1String(kCellArrays[r])).arg(bit));
            bitCells_[static_cast<std::size_t>(r)][static_cast<std::size_t>(bit)] = cell;
            grid->addWidget(cell, row, kFirstBitColumn + 7 - bit);  // B7 leftmost
        }
    }

    auto* legend = new QGroupBox(QStringLiteral("Bit Color Legend"), this);
    legend->setObjectName(QStringLiteral("fraLegend"));
    auto* legendLayout = new QHBoxLayout(legend);
    for (const bool set : {true, false}) {
        auto* cell =
            new BitCell(set ? QStringLiteral("1") : QStringLiteral("0"),
                        QStringLiteral("legend: a bit that is %1").arg(set ? 1 : 0), legend);
        narrowCell(cell);
        cell->setObjectName(set ? QStringLiteral("lblLegend(1)") : QStringLiteral("lblLegend(0)"));
        cell->setBit(set);
        legendLayout->addWidget(cell);
    }

    auto* okButton = new QPushButton(QStringLiteral("Close"), this);
    okButton->setObjectName(QStringLiteral("OKButton"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &frmPreview::OKButton_Click);

    auto* legendRow = new QHBoxLayout;
    legendRow->addWidget(legend);
    legendRow->addStretch();
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(grid);
    contentLayout->addLayout(legendRow);
    contentLayout->addStretch();

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screenfit::scrolling(content), 1);
    layout->addLayout(bottom);
    screenfit::fitWindow(this);
}

void frmPreview::Display(std::span<const std::uint8_t> bytes) {
    for (std::size_t r = 0; r < txtData_.size() && r < bytes.size(); ++r) {
        const std::uint8_t b = bytes[r];
        for (std::size_t i = 0; i < 8; ++i) bitCells_[r][i]->setBit((b & (1U << i)) != 0);
        txtData_[r]->setText(QString::fromStdString(Miscellaneous::ByteToHex(b)));
    }
}

void frmPreview::OKButton_Click() {
    accept();
}
