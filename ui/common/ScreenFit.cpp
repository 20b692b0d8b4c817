#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

QRect fitToScreen(const QRect& wanted, const QRect& available, const QSize& minimum) {
    if (available.isEmpty())
        return wanted;
    const int width = std::max(std::min(wanted.width(), available.width()), minimum.width());
    const int height = std::max(std::min(wanted.height(), available.height()), minimum.height());
    // Right and bottom first: a window wider than the area keeps its left edge on the screen.
    const int x = std::max(std::min(wanted.x(), available.right() + 1 - width), available.left());
    const int y = std::max(std::min(wanted.y(), available.bottom() + 1 - height), available.top());
    return QRect(x, y, width, height);
}

QSize sizeWithinScreen(const QSize& designed, const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return designed;
    const QRect available = screen->availableGeometry();
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return designed.boundedTo(QSize(available.width(), available.height() - titleBar));
}
