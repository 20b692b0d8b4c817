#pragma once

#include <QString>
#include <QStringList>

// A row of the tab-separated output: the fields joined by TAB, ended by LF. A field's own TAB, CR,
// LF and backslash are written as "\t", "\r", "\n" and "\\", so that every row stays one line
// with its number of fields, whatever a file name holds.
namespace TabRow {

inline QString line(const QStringList& fields) {
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += u'\t';
        for (const QChar c : fields[i]) {
            switch (c.unicode()) {
            case u'\t':
                text += QLatin1String("\\t");
                break;
            case u'\r':
                text += QLatin1String("\\r");
                break;
            case u'\n':
                text += QLatin1String("\\n");
                break;
            case u'\\':
                text += QLatin1String("\\\\");
                break;
            default:
                text += c;
            }
        }
    }
    return text + u'\n';
}

} // namespace TabRow
