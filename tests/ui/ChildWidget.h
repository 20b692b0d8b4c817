#pragma once

// Finding a window's controls and actions by objectName, as the user meets them: a test never
// reaches into a window's members. A control that is missing ends the test program at once with its
// name, rather than as a null pointer somewhere further on.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace UiTest {

// The child (at any depth) of `parent` of type W named `name`.
template <class W> W* child(const QObject* parent, const QString& name) {
    W* found = parent ? parent->findChild<W*>(name) : nullptr;
    if (!found)
        qFatal("%s has no %s named \"%s\"", parent ? qPrintable(parent->objectName()) : "(null)",
               W::staticMetaObject.className(), qPrintable(name));
    return found;
}

// Element `index` of a control array: the array's name followed by the index ("TypeOpt1").
template <class W> W* child(const QObject* parent, const QString& arrayName, int index) {
    return child<W>(parent, arrayName + QString::number(index));
}

} // namespace UiTest
