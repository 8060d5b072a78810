#pragma once
// "I2C Function": read or write any register address 0x00..0xFF by hand, in hex, without
// the pages' knowledge of the register map. Modeless; the main window keeps one instance.

#include <QDialog>
#include <QShowEvent>
#include <functional>
#include <utility>

#include "core/link/communication.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmRegisters : public QDialog {
    Q_OBJECT
public:
    explicit frmRegisters(Communication comm, QWidget* parent = nullptr);
    // Asked before every write: true while the adapter is gone, and the write is refused.
    void setLinkDown(std::function<bool()> linkDown) { linkDown_ = std::move(linkDown); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void keepFixedSize();
    void cmdReadI2C_Click();
    void cmdWriteI2C_Click();
    // Checks a box with HexToByte and rewrites it as two hex digits; -1 when it is not a byte.
    static int takeHexByte(QLineEdit* box);
    void complain(const QString& text);

    Communication comm_;
    std::function<bool()> linkDown_;
    QLineEdit* txtReadAddr_;
    QLabel* lblReadData_;
    QLineEdit* txtWriteAddr_;
    QLineEdit* txtWriteData_;
    QPushButton* cmdReadI2C_;
    QPushButton* cmdWriteI2C_;
};
