#pragma once
// Fixed-size windows on small or scaled screens.

#include <QRect>
#include <QSize>

class QMenuBar;
class QScrollArea;
class QWidget;

namespace screenfit {

// The client size a fixed-size window gets on a screen whose free area is `available`:
// `wanted` when `needed` (the extent of its controls) fits with the window frame `frame`,
// otherwise as much of `wanted` as the area holds, and the content scrolls.
QSize clientSize(QSize wanted, QSize needed, QSize frame, const QRect& available);
// What the window frame adds to `window`'s client size; nothing before it is shown.
QSize frameExtra(const QWidget* window);
// The free area of the screen `window` is on.
QRect availableArea(const QWidget* window);
// The height a main window's layout gives `bar` when the window is `width` wide: the bar's
// height for that width, which some styles make a pixel more than its size hint.
int menuBarHeight(const QMenuBar* bar, int width);

// A frameless scroll area around `content` that asks for the content's whole size, so that a
// window with room shows it without scroll bars, and scrolls only in a window that the screen
// keeps smaller than the content.
QScrollArea* scrolling(QWidget* content);
// Gives a laid-out window its size hint, as far as its screen's free area (less the frame)
// allows, and keeps it inside that area.
void fitWindow(QWidget* window);

}  // namespace screenfit
