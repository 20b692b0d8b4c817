#include "ChineseConverter.h"

#include "ConverterCache.h"
#include "FileName.h"
#include "PhraseFile.h"

#include <QFile>

#include <sys/stat.h>

#include <mutex>
#include <string>

namespace {

// Traditional text takes the Taiwan-standard forms, the ones Big5 holds: 为→為, 着→著, 众→眾 (s2t
// gives 爲, 着, 衆, which Big5 cannot store). Simplified text comes from t2s: on Taiwan text tw2s would
// also turn the particle 著 into 着, but it turns every 抬 into the traditional 擡.
constexpr const char* ToSimplifiedConfig = "t2s.json";
constexpr const char* ToTraditionalConfig = "s2tw.json";

const char* configName(ChineseConverter::Direction direction) {
    return direction == ChineseConverter::ToSimplified ? ToSimplifiedConfig : ToTraditionalConfig;
}

// The package's data folder first; the bare name lets OpenCC look in its own data folder.
std::string findConfig(ChineseConverter::Direction direction) {
    const std::string installed = std::string("/usr/share/opencc/") + configName(direction);
    if (QFile::exists(QString::fromStdString(installed)))
        return installed;
    return configName(direction);
}

// What tells that a phrase file changed: its size and modification time (nothing for a missing file).
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 seconds = 0;
    qint64 nanoseconds = 0;

    bool operator==(const FileStamp&) const = default;

    static FileStamp of(const QString& path) {
        struct stat info {};
        if (::stat(FileName::encode(path).constData(), &info) != 0)
            return {};
        return FileStamp{true, qint64(info.st_size), qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
    }
};

} // namespace

struct ChineseConverter::Impl {
    struct Table {
        std::once_flag loaded;
        std::unique_ptr<DictionaryConverter> converter;
        FileError error;
    };

    struct Phrases {
        QStringList files;
        QList<FileStamp> stamps;
        std::shared_ptr<const PhraseTrie> trie; // null: no phrases
        FileError error;
        bool read = false;
    };

    Table tables[2];
    QString cacheFolder;
    Phrases phrases[2];
    std::mutex phrasesLock;
    FileError error;

    Table& table(Direction direction) {
        Table& t = tables[direction == ToSimplified ? 0 : 1];
        std::call_once(t.loaded, [this, &t, direction] {
            t.converter = ConverterCache::load(findConfig(direction), cacheFolder, &t.error);
        });
        return t;
    }

    Phrases& phrasesOf(Direction direction) { return phrases[direction == ToSimplified ? 0 : 1]; }

    // Reads the phrase files again when any of them changed; false when one cannot be read.
    bool refreshPhrases(Direction direction) {
        const std::lock_guard<std::mutex> guard(phrasesLock);
        Phrases& p = phrasesOf(direction);
        QList<FileStamp> stamps;
        for (const QString& file : p.files)
            stamps.append(FileStamp::of(file));
        if (p.read && stamps == p.stamps)
            return !p.error.isSet();
        auto trie = std::make_shared<PhraseTrie>();
        p.error = {};
        for (const QString& file : p.files) {
            FileError fileError;
            if (!PhraseFile::read(file, *trie, &fileError)) {
                p.error = FileError::withText(fileError.number, file + QStringLiteral(": ") + fileError.description);
                break;
            }
        }
        p.stamps = stamps;
        p.read = true;
        p.trie = trie->isEmpty() ? nullptr : std::move(trie);
        return !p.error.isSet();
    }

    std::shared_ptr<const PhraseTrie> currentPhrases(Direction direction) {
        const std::lock_guard<std::mutex> guard(phrasesLock);
        return phrasesOf(direction).trie;
    }
};

ChineseConverter::ChineseConverter() : d(std::make_unique<Impl>()) {}

ChineseConverter::~ChineseConverter() = default;

ChineseConverter& ChineseConverter::instance() {
    static ChineseConverter converter;
    return converter;
}

bool ChineseConverter::isAvailable(Direction direction) {
    Impl::Table& t = d->table(direction);
    if (!t.converter) {
        const std::lock_guard<std::mutex> guard(d->phrasesLock);
        d->error = t.error;
        return false;
    }
    if (!d->refreshPhrases(direction)) {
        const std::lock_guard<std::mutex> guard(d->phrasesLock);
        d->error = d->phrasesOf(direction).error;
        return false;
    }
    return true;
}

FileError ChineseConverter::error() const {
    const std::lock_guard<std::mutex> guard(d->phrasesLock);
    return d->error;
}

void ChineseConverter::setTableCacheFolder(const QString& folder) {
    d->cacheFolder = folder;
}

void ChineseConverter::setPhraseFiles(Direction direction, const QStringList& files) {
    const std::lock_guard<std::mutex> guard(d->phrasesLock);
    Impl::Phrases& p = d->phrasesOf(direction);
    p = Impl::Phrases{};
    p.files = files;
}

QString ChineseConverter::phraseFileName(Direction direction) {
    return direction == ToSimplified ? QStringLiteral("Phrases-t2s.txt") : QStringLiteral("Phrases-s2t.txt");
}

void ChineseConverter::usePhraseFiles(const QString& appFolder, const QString& extraFile) {
    for (const Direction direction : {ToSimplified, ToTraditional}) {
        QStringList files{appFolder + phraseFileName(direction)};
        if (!extraFile.isEmpty())
            files.append(extraFile);
        setPhraseFiles(direction, files);
    }
}

ChineseConverter::Lines ChineseConverter::lines(Direction direction) {
    Lines lines;
    lines.m_tables = d->table(direction).converter.get();
    lines.m_phrases = d->currentPhrases(direction);
    return lines;
}

void ChineseConverter::Lines::convert(QStringView line, std::u16string& out) const {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(line.data()), std::size_t(line.size()));
    if (!m_tables || text.empty())
        out.append(text);
    else
        m_tables->convert(text, m_phrases.get(), out);
}

QString ChineseConverter::convert(const QString& line, Direction direction) {
    if (line.isEmpty())
        return line;
    std::u16string out;
    out.reserve(std::size_t(line.size()) + 16);
    lines(direction).convert(line, out);
    return QString(reinterpret_cast<const QChar*>(out.data()), qsizetype(out.size()));
}
