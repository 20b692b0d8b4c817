#include "BoilerplateLearner.h"

#include "CleanupRules.h"
#include "platform/TextReader.h"

void BoilerplateLearner::beginFile() {
    m_nonBlank = 0;
    m_edge.clear();
    m_middle.clear();
    m_tail.assign(EdgeLines, {});
    m_tailNext = 0;
}

void BoilerplateLearner::noteEdge(const QString& key, QStringView line) {
    if (m_edge.contains(key))
        return;
    if (!m_counts.contains(key)) {
        if (m_counts.size() >= MaxKeys)
            return;
        m_counts.insert(key, Count{0, 0, line.toString()});
    }
    m_edge.insert(key);
}

void BoilerplateLearner::addLine(QStringView line) {
    if (CleanupText::length(line) > MaxLineLength)
        return; // counted as a story line: it moves no line into the middle, which is only a looser test
    QString key = CleanupText::letters(line);
    if (key.isEmpty())
        return;
    if (m_nonBlank++ < EdgeLines) {
        noteEdge(key, line);
        return;
    }
    // The line leaving the window of the last EdgeLines lines stood in the middle.
    auto& slot = m_tail[m_tailNext];
    if (!slot.first.isEmpty() && m_counts.contains(slot.first))
        m_middle.insert(slot.first);
    slot = {std::move(key), line.toString()};
    m_tailNext = (m_tailNext + 1) % m_tail.size();
}

void BoilerplateLearner::endFile() {
    for (const auto& [key, line] : m_tail) {
        if (!key.isEmpty())
            noteEdge(key, line);
    }
    for (const QString& key : std::as_const(m_edge))
        ++m_counts[key].edgeFiles;
    for (const QString& key : std::as_const(m_middle)) {
        if (!m_edge.contains(key))
            ++m_counts[key].middleFiles;
    }
    ++m_files;
    beginFile();
}

QSet<QString> BoilerplateLearner::finish() const {
    QSet<QString> lines;
    if (m_files < MinFiles)
        return lines;
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it) {
        const Count& count = it.value();
        // 60 % of the files, in whole numbers: edgeFiles / files >= 3 / 5.
        if (count.edgeFiles * 5 >= m_files * 3 && count.edgeFiles > count.middleFiles &&
            !CleanupText::isChapterLine(count.sample))
            lines.insert(it.key());
    }
    return lines;
}

QSet<QString> BoilerplateLearner::learnFrom(const QStringList& paths, const std::function<bool()>& keepGoing) {
    BoilerplateLearner learner;
    QString line;
    for (const QString& path : paths) {
        if (keepGoing && !keepGoing())
            break;
        TextReader reader;
        if (reader.open(path)) {
            while (reader.readLine(line))
                learner.addLine(line);
        }
        learner.endFile();
    }
    return learner.finish();
}
