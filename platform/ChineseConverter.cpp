#include "ChineseConverter.h"

#include <QFile>

#include <opencc/Exception.hpp>
#include <opencc/SimpleConverter.hpp>

#include <cerrno>
#include <exception>
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

FileError libraryError(int number, const char* what) {
    return FileError::withText(number, QStringLiteral("OpenCC: ") + QString::fromUtf8(what));
}

// Characters OpenCC must not see: escaped undecodable bytes (lone surrogates) would not survive the
// trip through UTF-8, and a NUL would end OpenCC's reading of the text early.
bool isBarrier(QStringView line, qsizetype i, qsizetype& length) {
    const QChar c = line[i];
    if (c.isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
        length = 2;
        return false;
    }
    length = 1;
    return c.isSurrogate() || c.unicode() == 0;
}

bool isAscii(QStringView run) {
    for (QChar c : run) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

struct ChineseConverter::Impl {
    struct Table {
        std::once_flag loaded;
        std::unique_ptr<opencc::SimpleConverter> converter;
        FileError error;
    };

    Table tables[2];
    FileError error;

    Table& table(Direction direction) {
        Table& t = tables[direction == ToSimplified ? 0 : 1];
        std::call_once(t.loaded, [&t, direction] { load(t, direction); });
        return t;
    }

    static void load(Table& t, Direction direction) {
        const std::string config = findConfig(direction);
        try {
            t.converter = std::make_unique<opencc::SimpleConverter>(config);
        } catch (const opencc::FileNotFound& e) {
            t.error = libraryError(ENOENT, e.what());
        } catch (const opencc::Exception& e) {
            t.error = libraryError(EINVAL, e.what());
        } catch (const std::exception& e) {
            t.error = libraryError(EINVAL, e.what());
        }
    }

    // One OpenCC call for a whole run, so that phrases are matched across it.
    bool convertRun(const opencc::SimpleConverter& converter, QStringView run, QString& out) {
        if (isAscii(run)) {
            out.append(run);
            return true;
        }
        const QByteArray utf8 = run.toUtf8();
        try {
            const std::string converted = converter.Convert(utf8.constData(), size_t(utf8.size()));
            out.append(QString::fromUtf8(converted.data(), qsizetype(converted.size())));
            return true;
        } catch (const opencc::Exception& e) {
            error = libraryError(EINVAL, e.what());
        } catch (const std::exception& e) {
            error = libraryError(EINVAL, e.what());
        }
        return false;
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
    if (!t.converter)
        d->error = t.error;
    return t.converter != nullptr;
}

const FileError& ChineseConverter::error() const {
    return d->error;
}

QString ChineseConverter::convert(const QString& line, Direction direction) {
    if (line.isEmpty() || !isAvailable(direction))
        return line;
    const opencc::SimpleConverter& converter = *d->table(direction).converter;

    QString out;
    out.reserve(line.size());
    const QStringView view(line);
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < view.size()) {
        qsizetype length = 1;
        if (!isBarrier(view, i, length)) {
            i += length;
            continue;
        }
        if (i > runStart && !d->convertRun(converter, view.sliced(runStart, i - runStart), out))
            return line;
        out.append(view[i]);
        i += length;
        runStart = i;
    }
    if (i > runStart && !d->convertRun(converter, view.sliced(runStart, i - runStart), out))
        return line;
    return out;
}
