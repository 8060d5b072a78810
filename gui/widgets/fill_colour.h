#pragma once
// Fixed background colours with a text colour that stays readable on them, whatever the
// desktop's palette: a light cell keeps dark text under a dark theme.

#include <QColor>
#include <QPalette>

class QWidget;

namespace fillcolour {

// The WCAG contrast ratio of two colours, 1 (same) to 21 (black on white).
double contrast(const QColor& a, const QColor& b);
// Black or white, whichever reads better on `background`.
QColor textOn(const QColor& background);
// Paints `widget`'s `background` role with `colour` and every text role with textOn(colour).
void apply(QWidget* widget, QPalette::ColorRole background, const QColor& colour);

// `accent` itself when it reads on `background`, otherwise mixed towards white (on a dark
// background) or black until it does.
QColor accentOn(const QColor& accent, const QColor& background);
// Bold text in `accent`, adjusted to `widget`'s own background.
void applyAccent(QWidget* widget, const QColor& accent);

}  // namespace fillcolour
