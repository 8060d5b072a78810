#include "pages/registers/status_panel.h"

#include <QTimer>

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent), tmrStatus_(new QTimer(this)) {
    tmrStatus_->setObjectName(QStringLiteral("tmrStatus"));
    tmrStatus_->setInterval(1000);
}

void StatusPanel::setVgoodLamp(bool lit) {
    // Element 1 is the lit picture, element 0 the unlit one; the lit one changes first.
    QWidget* litPicture = findChild<QWidget*>(QStringLiteral("ImgGrnLEDVgood(1)"));
    QWidget* unlitPicture = findChild<QWidget*>(QStringLiteral("ImgGrnLEDVgood(0)"));
    if (litPicture) litPicture->setVisible(lit);
    if (unlitPicture) unlitPicture->setVisible(!lit);
}
