#include "pages/registers/registers_page.h"

#include <QTimer>

RegistersPage::RegistersPage(QWidget* parent)
    : QWidget(parent), tmrRegisterScan_(new QTimer(this)) {
    tmrRegisterScan_->setObjectName(QStringLiteral("tmrRegisterScan"));
    tmrRegisterScan_->setInterval(200);
}

void RegistersPage::ReadAllRegisters() {}
