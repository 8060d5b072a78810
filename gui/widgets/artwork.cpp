#include "gui/widgets/artwork.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "gui/widgets/miscellaneous_gui.h"

using Miscellaneous::Twips;

namespace artwork {
namespace {

const QColor kNavy(20, 52, 96);
const QColor kTeal(0, 140, 150);

// The lettering in the system's own interface face: "Sans Serif" names a family only where
// fontconfig answers it, and on Windows an unknown family falls back to a serif face.
QFont letteringFont() {
    return QGuiApplication::font();
}

// A battery of cells seen from the side: the product's mark.
void drawBattery(QPainter& p, const QRectF& r) {
    const qreal capW = r.width() * 0.08;
    const QRectF body(r.left(), r.top(), r.width() - capW, r.height());
    p.setPen(QPen(kNavy, qMax<qreal>(1.0, r.height() / 12)));
    p.setBrush(Qt::white);
    p.drawRoundedRect(body, r.height() / 8, r.height() / 8);
    p.setBrush(kNavy);
    p.drawRect(QRectF(body.right(), r.top() + r.height() * 0.3, capW, r.height() * 0.4));
    const int cells = 5;
    const qreal pad = r.height() * 0.18;
    const qreal cellW = (body.width() - 2 * pad) / cells;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < cells; ++i) {
        p.setBrush(i < 4 ? kTeal : QColor(120, 200, 120));
        p.drawRect(QRectF(body.left() + pad + i * cellW + cellW * 0.1, body.top() + pad,
                          cellW * 0.8, body.height() - 2 * pad));
    }
}

}  // namespace

QPixmap banner() {
    QPixmap pm(Twips(2760), Twips(450));
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, pm.width(), 0);
    g.setColorAt(0, kNavy);
    g.setColorAt(1, kTeal);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(pm.rect().adjusted(1, 1, -1, -1), 4, 4);
    drawBattery(
        p, QRectF(pm.height() * 0.25, pm.height() * 0.22, pm.height() * 1.2, pm.height() * 0.56));
    QFont f = letteringFont();
    f.setBold(true);
    f.setPixelSize(qMax(10, pm.height() * 11 / 20));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(pm.rect().adjusted(pm.height() * 2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("VARENTHAL"));
    return pm;
}

QPixmap icon(int side) {
    if (side <= 0) side = Twips(480);
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kNavy);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(pm.rect(), side / 6.0, side / 6.0);
    drawBattery(p, QRectF(side * 0.12, side * 0.3, side * 0.76, side * 0.4));
    return pm;
}

QPixmap aboutPicture() {
    QPixmap pm(Twips(1275), Twips(1500));
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A chip package with its pins, the protector on the board.
    const QRectF chipBody(pm.width() * 0.2, pm.height() * 0.15, pm.width() * 0.6,
                          pm.height() * 0.5);
    p.setPen(QPen(QColor(90, 90, 90), 2));
    for (int i = 0; i < 5; ++i) {
        const qreal y = chipBody.top() + chipBody.height() * (i + 0.5) / 5;
        p.drawLine(QPointF(chipBody.left() - pm.width() * 0.1, y), QPointF(chipBody.left(), y));
        p.drawLine(QPointF(chipBody.right(), y), QPointF(chipBody.right() + pm.width() * 0.1, y));
    }
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(chipBody, 4, 4);
    p.setBrush(kTeal);
    p.drawEllipse(QPointF(chipBody.left() + 8, chipBody.top() + 8), 3, 3);
    QFont f = letteringFont();
    f.setBold(true);
    f.setPixelSize(qMax(9, pm.height() / 8));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(chipBody, Qt::AlignCenter, QStringLiteral("VT"));
    p.setPen(kNavy);
    p.drawText(QRectF(0, pm.height() * 0.7, pm.width(), pm.height() * 0.3), Qt::AlignCenter,
               QStringLiteral("OK"));
    return pm;
}

}  // namespace artwork
