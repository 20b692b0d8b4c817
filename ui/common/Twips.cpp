#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace Twips {

double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int toPixels(double twips) {
    return qRound(twips * logicalDpi() / 1440.0);
}

int fromPixels(int pixels) {
    return qRound(pixels * 1440.0 / logicalDpi());
}

QRect rect(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QSize size(int width, int height) {
    return QSize(toPixels(width), toPixels(height));
}

} // namespace Twips
