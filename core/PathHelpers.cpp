#include "PathHelpers.h"

#include "AppState.h"

QString AddBackslash(const QString& path) {
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString GetExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    return name.mid(dot + 1).toLower();
}

void PromoteToFront(QStringList& list, const QString& item) {
    if (list.isEmpty())
        return;
    // The item met first walking down from the end: it takes the front, the entries before it move
    // one place back, those after it stay.
    const qsizetype found = list.lastIndexOf(item);
    if (found >= 1) {
        list.move(found, 0);
        return;
    }
    if (found == 0)
        return;
    list.removeLast();
    list.prepend(item);
}

void PromotePrefix(AppState& state, const QString& item) {
    PromoteToFront(state.PrefixList, item);
}

void PromoteRecentFolder(AppState& state, const QString& item) {
    PromoteToFront(state.RecentList, item);
}

void resizeList(QStringList& list, int lastIndex) {
    list.resize(lastIndex < 0 ? 0 : qsizetype(lastIndex) + 1);
}
