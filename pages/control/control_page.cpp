#include "pages/control/control_page.h"

#include <QTimer>

ControlPage::ControlPage(QTimer* tmrStatus, QWidget* parent)
    : QWidget(parent), tmrStatus_(tmrStatus), tmrControl_(new QTimer(this)) {
    tmrControl_->setObjectName(QStringLiteral("tmrControl"));
    tmrControl_->setInterval(1000);
}

void ControlPage::InitializeControlPage() {}

void ControlPage::SetControlMode() {}
