#include "TermCorrections.h"

#include <QFile>

#include <algorithm>

bool TermCorrections::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    int number = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t', Qt::SkipEmptyParts);
        if (fields.size() != 3 || !fields[2].startsWith(u'#')) {
            *error = QStringLiteral("%1:%2: expected \"term<TAB>replacement<TAB># reason\"").arg(path).arg(number);
            return false;
        }
        const Entry entry{fields[0].trimmed(), fields[1].trimmed(), fields[2].mid(1).trimmed()};
        if (entry.term.startsWith(u'=')) {
            m_messageIndex.insert(entry.term.mid(1), m_messages.size());
            m_messages.append({entry.term.mid(1), entry.replacement, entry.reason});
        } else {
            add(entry);
        }
    }
    return true;
}

void TermCorrections::add(const Entry& entry) {
    m_entries.append(entry);
    m_longestFirst.append(int(m_entries.size()) - 1);
    std::stable_sort(m_longestFirst.begin(), m_longestFirst.end(),
                     [this](int a, int b) { return m_entries[a].term.size() > m_entries[b].term.size(); });
}

const TermCorrections::Entry* TermCorrections::message(const QString& source) const {
    const auto it = m_messageIndex.constFind(source);
    return it == m_messageIndex.constEnd() ? nullptr : &m_messages[*it];
}

QString TermCorrections::apply(const QString& text, QStringList* applied) const {
    QString result;
    result.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const Entry* match = nullptr;
        for (int index : m_longestFirst) {
            const Entry& entry = m_entries[index];
            if (QStringView(text).mid(at).startsWith(entry.term)) {
                match = &entry;
                break;
            }
        }
        if (!match) {
            result += text[at++];
            continue;
        }
        result += match->replacement;
        at += match->term.size();
        const QString used = match->term + u'→' + match->replacement;
        if (applied && !applied->contains(used))
            applied->append(used);
    }
    return result;
}
