#include "ConverterCache.h"

#include "AtomicFile.h"
#include "FileName.h"
#include "FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <cstring>

namespace {

constexpr char Magic[8] = {'Q', 'M', 'T', 'A', 'B', 'L', 'E', 'S'};
constexpr std::uint32_t FormatVersion = 2;

void collectFiles(const QJsonValue& value, QStringList& files) {
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1String("file") && it.value().isString())
                files.append(it.value().toString());
            else
                collectFiles(it.value(), files);
        }
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            collectFiles(item, files);
    }
}

// "path size seconds nanoseconds" for one file; empty when it cannot be examined.
QString stampOf(const QString& path) {
    struct stat info {};
    if (::stat(FileName::encode(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(path)
        .arg(qint64(info.st_size))
        .arg(qint64(info.st_mtim.tv_sec))
        .arg(qint64(info.st_mtim.tv_nsec));
}

// What the copy must have been made from: the configuration and every dictionary file it names (in
// the configuration's folder, where OpenCC reads them), or empty when that cannot be told.
QByteArray sourcesOf(const QString& config) {
    QFile file(config);
    if (!QFileInfo(config).isAbsolute() || !file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return {};
    QStringList files;
    collectFiles(document.object(), files);
    QString sources = stampOf(config);
    const QDir folder = QFileInfo(config).absoluteDir();
    for (const QString& name : files) {
        const QString stamp = stampOf(folder.filePath(name));
        if (stamp.isEmpty() || sources.isEmpty())
            return {};
        sources += stamp;
    }
    return sources.toUtf8();
}

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t hash = 0x243F6A8885A308D3ull ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    }
    for (; i < bytes.size(); ++i)
        hash = (hash ^ std::uint8_t(bytes[i])) * 0x100000001B3ull;
    return hash;
}

QString cachePath(const QString& folder, const QString& config) {
    const QString base = QFileInfo(config).completeBaseName();
    return QDir(folder).filePath(
        QStringLiteral("opencc-%1-%2.tables").arg(base).arg(qHash(config, 0), 16, 16, QLatin1Char('0')));
}

template <class T> bool take(std::string_view& bytes, T& value) {
    if (bytes.size() < sizeof value)
        return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
}

std::unique_ptr<DictionaryConverter> readCopy(const QString& path, const QByteArray& sources) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray content = file.readAll();
    std::string_view bytes(content.constData(), std::size_t(content.size()));
    std::uint32_t version = 0;
    std::uint32_t sourcesLength = 0;
    std::uint64_t sum = 0;
    if (bytes.size() < sizeof Magic || std::memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        return nullptr;
    bytes.remove_prefix(sizeof Magic);
    if (!take(bytes, version) || version != FormatVersion || !take(bytes, sourcesLength) ||
        sourcesLength > bytes.size() ||
        std::string_view(bytes.data(), sourcesLength) != std::string_view(sources.constData(), sources.size()))
        return nullptr;
    bytes.remove_prefix(sourcesLength);
    if (!take(bytes, sum) || sum != checksum(bytes))
        return nullptr;
    return DictionaryConverter::readFrom(bytes);
}

void writeCopy(const QString& folder, const QString& path, const QByteArray& sources,
               const DictionaryConverter& converter) {
    std::string tables;
    converter.appendTo(tables);
    std::string header(Magic, sizeof Magic);
    const std::uint32_t sourcesLength = std::uint32_t(sources.size());
    const std::uint64_t sum = checksum(tables);
    header.append(reinterpret_cast<const char*>(&FormatVersion), sizeof FormatVersion);
    header.append(reinterpret_cast<const char*>(&sourcesLength), sizeof sourcesLength);
    header.append(sources.constData(), std::size_t(sources.size()));
    header.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    if (!QDir().mkpath(folder))
        return;
    // A copy cut short by a power cut fails its checksum and is made again: the batch's sync will do.
    AtomicFile file;
    if (file.open(FileName::encode(path), 0644) && FileOps::writeAll(file.fd(), header.data(), qsizetype(header.size())) &&
        FileOps::writeAll(file.fd(), tables.data(), qsizetype(tables.size())))
        file.commit(AtomicFile::Mode::Replace, FileSync::WithBatch);
}

} // namespace

namespace ConverterCache {

std::unique_ptr<DictionaryConverter> load(const std::string& config, const QString& cacheFolder, FileError* error,
                                          bool* fromCache) {
    if (fromCache)
        *fromCache = false;
    const QString configPath = QString::fromStdString(config);
    const QByteArray sources = cacheFolder.isEmpty() ? QByteArray() : sourcesOf(configPath);
    if (sources.isEmpty())
        return DictionaryConverter::load(config, error);
    const QString path = cachePath(cacheFolder, configPath);
    if (auto converter = readCopy(path, sources)) {
        if (fromCache)
            *fromCache = true;
        return converter;
    }
    auto converter = DictionaryConverter::load(config, error);
    if (converter)
        writeCopy(cacheFolder, path, sources, *converter);
    return converter;
}

} // namespace ConverterCache
