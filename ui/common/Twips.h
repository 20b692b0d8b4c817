#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window geometry is designed and stored in twips (1/1440 inch); the screen works in pixels at
// the primary screen's logical DPI (96 unless the desktop says otherwise).
namespace Twips {

double logicalDpi();
int toPixels(double twips);
int fromPixels(int pixels);
// A rectangle designed as left, top, width, height in twips.
QRect rect(int left, int top, int width, int height);
QSize size(int width, int height);

} // namespace Twips
