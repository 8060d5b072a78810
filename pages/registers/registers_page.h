#pragma once
// The Registers page: every register as hex and coloured bits, with the background scan.

#include <QWidget>

class QTimer;

class RegistersPage : public QWidget {
    Q_OBJECT
public:
    explicit RegistersPage(QWidget* parent = nullptr);

    void ReadAllRegisters();

    QTimer* tmrRegisterScan() const { return tmrRegisterScan_; }

private:
    QTimer* tmrRegisterScan_;
};
