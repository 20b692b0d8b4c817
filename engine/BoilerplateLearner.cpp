#include "BoilerplateLearner.h"

#include "CleanupRules.h"
#include "platform/TextReader.h"

namespace {

// A line a site repeats on its pages may be learned: one that says something, or a word or two, may
// be a book's own. The marks are looked at first: most lines of a story have one, and then their
// letters need not be gathered.
bool saysSomething(QStringView line) {
    static constexpr QStringView Commas = u"，,、﹐､";
    return CleanupText::hasSentencePunctuation(line) ||
           std::any_of(line.begin(), line.end(), [](QChar c) { return Commas.contains(c); });
}

bool mayBeLearned(const QString& letters) {
    return CleanupText::length(letters) >= BoilerplateLearner::MinLetters;
}

} // namespace

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

bool BoilerplateLearner::inWindow(QStringView line) {
    // A long line is a story line: it moves no line into the middle, which is only a looser test.
    return CleanupText::length(line) <= MaxLineLength && CleanupText::hasLetters(line);
}

int BoilerplateLearner::windowLines(const QString& path) {
    int count = 0;
    TextReader reader;
    QString line;
    if (reader.open(path)) {
        while (reader.readLine(line))
            count += inWindow(line) ? 1 : 0;
    }
    return count;
}

void BoilerplateLearner::addLine(QStringView line) {
    if (!inWindow(line))
        return;
    // A line that may not be learned still takes its place in the window, with no key.
    QString key;
    if (!saysSomething(line)) {
        key = CleanupText::letters(line);
        if (!mayBeLearned(key))
            key.clear();
    }
    if (m_nonBlank++ < EdgeLines) {
        if (!key.isEmpty())
            noteEdge(key, line);
        return;
    }
    // The line leaving the window of the last EdgeLines lines stood in the middle.
    auto& slot = m_tail[m_tailNext];
    if (!slot.first.isEmpty() && m_counts.contains(slot.first))
        m_middle.insert(slot.first);
    // The line itself is kept only for a key that endFile() may note.
    slot = {key, key.isEmpty() ? QString() : line.toString()};
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
