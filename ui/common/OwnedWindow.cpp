#include "OwnedWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace OwnedWindow {

void setOwner(QWidget* window, QWidget* owner) {
    window->winId();
    QWindow* handle = window->windowHandle();
    QWindow* ownerHandle = nullptr;
    if (owner) {
        QWidget* ownerWindow = owner->window();
        ownerWindow->winId();
        ownerHandle = ownerWindow->windowHandle();
    }
    if (handle)
        handle->setTransientParent(ownerHandle);
}

void showOwned(QWidget* window, QWidget* owner) {
    setOwner(window, owner);
    window->show();
    window->raise();
    window->activateWindow();
}

void centreOnScreen(QWidget* window, const QWidget* reference) {
    QScreen* screen = reference ? reference->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

bool refuseCloseWhileBusy(const QWidget* window, QCloseEvent* event) {
    if (window->isEnabled())
        return false;
    event->ignore();
    return true;
}

} // namespace OwnedWindow
