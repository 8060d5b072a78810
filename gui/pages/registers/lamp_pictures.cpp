#include "gui/pages/registers/lamp_pictures.h"

#include <QPainter>
#include <QRadialGradient>

namespace lamps {
namespace {

struct Shades {
    QColor body;  // the lamp's own colour
    QColor glow;  // its highlight
};

Shades shades(Colour colour, bool lit) {
    if (colour == Colour::Red) {
        return lit ? Shades{QColor(255, 0, 0), QColor(255, 255, 255)}
                   : Shades{QColor(128, 0, 0), QColor(194, 0, 0)};
    }
    return lit ? Shades{QColor(0, 255, 0), QColor(219, 255, 221)}
               : Shades{QColor(0, 128, 0), QColor(0, 194, 0)};
}

}  // namespace

QPixmap picture(Colour colour, bool lit, int sizePx) {
    // Drawn at the screen's pixel ratio so that the small lamp stays round and sharp.
    QPixmap pm(sizePx, sizePx);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const Shades s = shades(colour, lit);
    const QRectF lamp = QRectF(pm.rect()).adjusted(1.0, 1.0, -1.0, -1.0);

    // The highlight sits up and to the left, as if lit from above.
    QRadialGradient g(lamp.center(), lamp.width() / 2.0,
                      lamp.topLeft() + QPointF(lamp.width() * 0.35, lamp.height() * 0.3));
    g.setColorAt(0.0, s.glow);
    g.setColorAt(lit ? 0.35 : 0.6, s.body);
    g.setColorAt(1.0, s.body.darker(lit ? 120 : 140));
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.drawEllipse(lamp);
    return pm;
}

}  // namespace lamps
