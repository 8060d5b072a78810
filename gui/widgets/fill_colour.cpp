#include "gui/widgets/fill_colour.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace fillcolour {
namespace {

double linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

}  // namespace

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textOn(const QColor& background) {
    return contrast(background, Qt::black) >= contrast(background, Qt::white) ? QColor(Qt::black)
                                                                              : QColor(Qt::white);
}

QColor accentOn(const QColor& accent, const QColor& background) {
    constexpr double kReadable = 4.5;  // WCAG AA for ordinary text
    const QColor towards = textOn(background);
    QColor colour = accent;
    for (int step = 1; step <= 10 && contrast(colour, background) < kReadable; ++step) {
        const double t = step / 10.0;
        colour =
            QColor::fromRgbF(static_cast<float>(accent.redF() * (1 - t) + towards.redF() * t),
                             static_cast<float>(accent.greenF() * (1 - t) + towards.greenF() * t),
                             static_cast<float>(accent.blueF() * (1 - t) + towards.blueF() * t));
    }
    return colour;
}

void applyAccent(QWidget* widget, const QColor& accent) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, accentOn(accent, pal.color(widget->backgroundRole())));
    widget->setPalette(pal);
    QFont bold = widget->font();
    bold.setBold(true);
    widget->setFont(bold);
}

void apply(QWidget* widget, QPalette::ColorRole background, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(background, colour);
    const QColor text = textOn(colour);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText}) {
        pal.setColor(role, text);
    }
    widget->setPalette(pal);
}

}  // namespace fillcolour
