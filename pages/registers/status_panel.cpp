#include "pages/registers/status_panel.h"

#include <QTimer>

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent), tmrStatus_(new QTimer(this)) {
    tmrStatus_->setObjectName(QStringLiteral("tmrStatus"));
    tmrStatus_->setInterval(1000);
}
