#pragma once

// Finding a window's controls the way a user's script would: by their objectName.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace DialogTest {

// The control of type W named `name` inside `window`. A control that is missing (renamed, or never
// given its name) ends the test program with a message naming it: every later step would only
// crash on it.
template <class W> W* control(const QObject* window, const QString& name) {
    W* found = window->findChild<W*>(name);
    if (!found) {
        qFatal("%s has no %s named \"%s\"", qPrintable(window->objectName()), W::staticMetaObject.className(),
               qPrintable(name));
    }
    return found;
}

} // namespace DialogTest
