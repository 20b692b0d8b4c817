#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// A window's saved bounds (frame position, inside size) brought onto the screen it will show on:
// larger than the available area (saved at a higher scaling, or on a larger screen), it shrinks to
// that area, never below `minimum`; outside it, it moves in. Bounds that fit stay as they are.
QRect fitToScreen(const QRect& wanted, const QRect& available, const QSize& minimum);

// `designed` made no larger than the available area of the screen `window` shows on (its title bar
// counted), so that a window opened at a large scaling on a small screen keeps its buttons in view.
QSize sizeWithinScreen(const QSize& designed, const QWidget* window);
