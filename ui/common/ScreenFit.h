#pragma once

#include <QRect>
#include <QSize>

// A window's saved bounds (frame position, inside size) brought onto the screen it will show on:
// larger than the available area (saved at a higher scaling, or on a larger screen), it shrinks to
// that area, never below `minimum`; outside it, it moves in. Bounds that fit stay as they are.
QRect fitToScreen(const QRect& wanted, const QRect& available, const QSize& minimum);
