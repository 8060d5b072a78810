#include "gui/dialogs/frm_registers.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <tuple>

#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "gui/widgets/miscellaneous_gui.h"

using Miscellaneous::Twips;

namespace {

// The design in twips: the address column from 480, the data column from 1920, the buttons
// from 3120 and 1095 wide; the read row at the top, the write row below. A larger font
// widens the columns and the window instead of running one caption into the next.
constexpr int kLeft = 480;
constexpr int kTop = 480;
constexpr int kAddressColumn = 1440;
constexpr int kDataColumn = 1200;
constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;
constexpr int kBoxWidth = 495;
constexpr int kBoxHeight = 285;
constexpr int kRowGap = 675;
constexpr int kWidth = 4680;
constexpr int kHeight = 3090;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(accessibleName);
    box->setAlignment(Qt::AlignCenter);
    box->setMinimumSize(Twips(kBoxWidth), Twips(kBoxHeight));
    box->setMaximumWidth(
        std::max(Twips(kBoxWidth), box->fontMetrics().horizontalAdvance(QStringLiteral("WWWW"))));
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text,
                        const QString& accessibleName) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessibleName);
    // No button answers Enter: a typed address must not fire "Read" or "Write" by accident.
    button->setAutoDefault(false);
    button->setMinimumSize(Twips(kButtonWidth), Twips(kButtonHeight));
    return button;
}

}  // namespace

frmRegisters::frmRegisters(Communication comm, QWidget* parent) : QDialog(parent), comm_(comm) {
    setObjectName(QStringLiteral("frmRegisters"));
    setWindowTitle(QStringLiteral("I2C Function"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // The upper row reads, the lower row writes.
    QLabel* label1 = makeLabel(this, "Label1", QStringLiteral("Address (hex)"));
    txtReadAddr_ = makeBox(this, "txtReadAddr", QStringLiteral("Read address (hex)"));
    QLabel* label2 = makeLabel(this, "Label2", QStringLiteral("Data (hex)"));
    lblReadData_ = makeLabel(this, "lblReadData", QString());
    lblReadData_->setAccessibleName(QStringLiteral("Data read (hex)"));
    lblReadData_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblReadData_->setAlignment(Qt::AlignCenter);
    lblReadData_->setMinimumSize(Twips(kBoxWidth), Twips(kBoxHeight));
    cmdReadI2C_ =
        makeButton(this, "cmdReadI2C", QStringLiteral("Read"), QStringLiteral("Read register"));

    QLabel* label3 = makeLabel(this, "Label3", QStringLiteral("Address (hex)"));
    txtWriteAddr_ = makeBox(this, "txtWriteAddr", QStringLiteral("Write address (hex)"));
    QLabel* label4 = makeLabel(this, "Label4", QStringLiteral("Data (hex)"));
    txtWriteData_ = makeBox(this, "txtWriteData", QStringLiteral("Write data (hex)"));
    cmdWriteI2C_ =
        makeButton(this, "cmdWriteI2C", QStringLiteral("Write"), QStringLiteral("Write register"));
    label1->setBuddy(txtReadAddr_);
    label3->setBuddy(txtWriteAddr_);
    label4->setBuddy(txtWriteData_);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(Twips(kLeft), Twips(kTop),
                             Twips(kWidth - kLeft - kAddressColumn - kDataColumn - kButtonWidth),
                             Twips(kTop));
    grid->setHorizontalSpacing(Twips(120));
    grid->setColumnMinimumWidth(0, Twips(kAddressColumn) - Twips(120));
    grid->setColumnMinimumWidth(1, Twips(kDataColumn) - Twips(120));
    grid->setRowMinimumHeight(2, Twips(kRowGap) - 2 * grid->verticalSpacing());
    const Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignVCenter;
    int row = 0;
    for (const auto& [addressCaption, addressBox, dataCaption, dataBox, button] :
         {std::tuple<QLabel*, QWidget*, QLabel*, QWidget*, QPushButton*>{
              label1, txtReadAddr_, label2, lblReadData_, cmdReadI2C_},
          {label3, txtWriteAddr_, label4, txtWriteData_, cmdWriteI2C_}}) {
        grid->addWidget(addressCaption, row, 0, centre);
        grid->addWidget(addressBox, row + 1, 0, centre);
        grid->addWidget(dataCaption, row, 1, centre);
        grid->addWidget(dataBox, row + 1, 1, centre);
        grid->addWidget(button, row, 2, 2, 1, Qt::AlignVCenter);
        row += 3;
    }
    keepFixedSize();

    setTabOrder(cmdReadI2C_, cmdWriteI2C_);
    setTabOrder(cmdWriteI2C_, txtReadAddr_);
    setTabOrder(txtReadAddr_, txtWriteData_);
    setTabOrder(txtWriteData_, txtWriteAddr_);
    cmdReadI2C_->setFocus(Qt::OtherFocusReason);

    connect(cmdReadI2C_, &QPushButton::clicked, this, &frmRegisters::cmdReadI2C_Click);
    connect(cmdWriteI2C_, &QPushButton::clicked, this, &frmRegisters::cmdWriteI2C_Click);
    Miscellaneous::DisableWhileProgramming(cmdWriteI2C_, comm_.programming());

    Miscellaneous::CenterForm(this);
}

void frmRegisters::keepFixedSize() {
    // The design's size, or what the font and style need; the user does not resize it.
    // An explicit minimum would win over the button's own: the larger of the two.
    for (QPushButton* button : {cmdReadI2C_, cmdWriteI2C_}) {
        button->setMinimumSize(
            QSize(Twips(kButtonWidth), Twips(kButtonHeight)).expandedTo(button->sizeHint()));
    }
    layout()->activate();
    setFixedSize(QSize(Twips(kWidth), Twips(kHeight)).expandedTo(layout()->minimumSize()));
}

void frmRegisters::showEvent(QShowEvent* event) {
    keepFixedSize();  // the style's sizes are final once the window is polished
    QDialog::showEvent(event);
}

int frmRegisters::takeHexByte(QLineEdit* box) {
    const std::int16_t value = Miscellaneous::HexToByte(box->text().toStdString());
    if (value < 0) return -1;
    box->setText(QString::fromStdString(Miscellaneous::ByteToHex(static_cast<unsigned>(value))));
    return value;
}

void frmRegisters::complain(const QString& text) {
    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("Varenthal"), text, QMessageBox::Ok,
                        this);
    message.exec();
}

void frmRegisters::cmdReadI2C_Click() {
    lblReadData_->clear();
    const int address = takeHexByte(txtReadAddr_);
    if (address < 0) {
        complain(QStringLiteral("Please enter a valid hex address."));
        return;
    }
    // A failed read shows what the adapter left in the byte: 00 unless it wrote one.
    std::uint8_t yData = 0;
    comm_.ReadRegister(static_cast<std::uint8_t>(address), yData);
    lblReadData_->setText(QString::fromStdString(Miscellaneous::ByteToHex(yData)));
}

void frmRegisters::cmdWriteI2C_Click() {
    if (linkDown_ && linkDown_()) {
        complain(QStringLiteral("Adapter not connected: nothing was written."));
        return;
    }
    const int address = takeHexByte(txtWriteAddr_);
    if (address < 0) {
        complain(QStringLiteral("Please enter a valid hex address."));
        return;
    }
    const int nData = takeHexByte(txtWriteData_);
    if (nData < 0) {
        complain(QStringLiteral("Please enter a valid hex data."));
        return;
    }
    comm_.WriteRegister(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(nData));
}
