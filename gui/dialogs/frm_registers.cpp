#include "gui/dialogs/frm_registers.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "gui/widgets/miscellaneous_gui.h"

using Miscellaneous::Twips;

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect twips) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    // The caption keeps its place; a wider font than the design's widens it, never cuts it.
    const int width = std::max(Twips(twips.width()), label->sizeHint().width());
    label->setGeometry(Twips(twips.x()), Twips(twips.y()), width, Twips(twips.height()));
    return label;
}

QLineEdit* makeBox(QWidget* parent, const char* name, QRect twips) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setAlignment(Qt::AlignCenter);
    box->setGeometry(Twips(twips.x()), Twips(twips.y()), Twips(twips.width()),
                     Twips(twips.height()));
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, QRect twips) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // No button answers Enter: a typed address must not fire "Read" or "Write" by accident.
    button->setAutoDefault(false);
    button->setGeometry(Twips(twips.x()), Twips(twips.y()), Twips(twips.width()),
                        Twips(twips.height()));
    return button;
}

}  // namespace

frmRegisters::frmRegisters(Communication comm, QWidget* parent) : QDialog(parent), comm_(comm) {
    setObjectName(QStringLiteral("frmRegisters"));
    setWindowTitle(QStringLiteral("I2C Function"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(Twips(4680), Twips(3090));

    // The upper row reads, the lower row writes.
    makeLabel(this, "Label1", QStringLiteral("Address (hex)"), {480, 480, 1095, 255});
    txtReadAddr_ = makeBox(this, "txtReadAddr", {720, 840, 495, 285});
    makeLabel(this, "Label2", QStringLiteral("Data (hex)"), {1920, 480, 735, 255});
    lblReadData_ = makeLabel(this, "lblReadData", QString(), {2040, 840, 495, 285});
    lblReadData_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblReadData_->setAlignment(Qt::AlignCenter);
    cmdReadI2C_ = makeButton(this, "cmdReadI2C", QStringLiteral("Read"), {3120, 720, 1095, 375});

    makeLabel(this, "Label3", QStringLiteral("Address (hex)"), {480, 1800, 1095, 255});
    txtWriteAddr_ = makeBox(this, "txtWriteAddr", {720, 2160, 495, 285});
    makeLabel(this, "Label4", QStringLiteral("Data (hex)"), {1920, 1800, 735, 255});
    txtWriteData_ = makeBox(this, "txtWriteData", {2040, 2160, 495, 285});
    cmdWriteI2C_ =
        makeButton(this, "cmdWriteI2C", QStringLiteral("Write"), {3120, 2040, 1095, 375});

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
