#include "Preferences.h"

#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QFileInfo>

namespace PreferencesFile {

namespace {

const QString KeyLegacy = QStringLiteral("LegacyEncoding");
const QString KeyUnmappable = QStringLiteral("Unmappable");
const QString KeyClassicHtml = QStringLiteral("ClassicHtml");
const QString KeyMainSplitter = QStringLiteral("MainSplitter");
const QString KeyMergeEpub = QStringLiteral("MergeEpub");

void setError(FileError* error, const FileError& value) {
    if (error)
        *error = value;
}

std::optional<bool> flagFromText(const QString& text) {
    if (text == u"1")
        return true;
    if (text == u"0")
        return false;
    return std::nullopt;
}

void apply(Preferences& prefs, const QString& key, const QString& value) {
    if (key == KeyLegacy) {
        if (const auto encoding = legacyEncodingFromName(value))
            prefs.LegacyEncoding = *encoding;
    } else if (key == KeyUnmappable) {
        if (const auto policy = unmappableFromName(value))
            prefs.Unmappable = *policy;
    } else if (key == KeyClassicHtml) {
        if (const auto flag = flagFromText(value))
            prefs.ClassicHtml = *flag;
    } else if (key == KeyMergeEpub) {
        if (const auto flag = flagFromText(value))
            prefs.MergeEpub = *flag;
    } else if (key == KeyMainSplitter) {
        prefs.MainSplitter = QByteArray::fromBase64(value.toLatin1());
    } else {
        prefs.UnknownKeys.append({key, value});
    }
}

} // namespace

QString legacyEncodingName(TextEncoding encoding) {
    return encoding == TextEncoding::Big5 ? QStringLiteral("big5") : QStringLiteral("gb18030");
}

std::optional<TextEncoding> legacyEncodingFromName(const QString& name) {
    const QString lower = name.trimmed().toLower();
    if (lower == u"gb18030")
        return TextEncoding::Gb18030;
    if (lower == u"big5")
        return TextEncoding::Big5;
    return std::nullopt;
}

QString unmappableName(UnmappablePolicy policy) {
    switch (policy) {
    case UnmappablePolicy::SaveUtf8:
        return QStringLiteral("utf-8");
    case UnmappablePolicy::QuestionMark:
        return QStringLiteral("question-mark");
    case UnmappablePolicy::Refuse:
        break;
    }
    return QStringLiteral("skip");
}

std::optional<UnmappablePolicy> unmappableFromName(const QString& name) {
    const QString lower = name.trimmed().toLower();
    if (lower == u"skip")
        return UnmappablePolicy::Refuse;
    if (lower == u"utf-8")
        return UnmappablePolicy::SaveUtf8;
    if (lower == u"question-mark")
        return UnmappablePolicy::QuestionMark;
    return std::nullopt;
}

bool read(const QString& path, Preferences& prefs, FileError* error) {
    prefs = Preferences{};
    if (!QFileInfo::exists(path))
        return true;
    TextReader reader;
    reader.setAcceptControlBytes(true);
    if (!reader.open(path, TextEncoding::Utf8)) {
        setError(error, reader.error());
        return false;
    }
    QString line;
    while (reader.readLine(line)) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals <= 0)
            continue;
        apply(prefs, trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed());
    }
    if (reader.error().isSet()) {
        setError(error, reader.error());
        return false;
    }
    return true;
}

bool write(const QString& path, const Preferences& prefs, FileError* error) {
    TextWriter writer;
    if (!writer.open(path, TextFormat{TextEncoding::Utf8, LineEnd::Lf})) {
        setError(error, writer.error());
        return false;
    }
    const auto entry = [&writer](const QString& key, const QString& value) {
        writer.writeLine(key + u'=' + value);
    };
    entry(KeyLegacy, legacyEncodingName(prefs.LegacyEncoding));
    entry(KeyUnmappable, unmappableName(prefs.Unmappable));
    entry(KeyClassicHtml, prefs.ClassicHtml ? QStringLiteral("1") : QStringLiteral("0"));
    entry(KeyMainSplitter, QString::fromLatin1(prefs.MainSplitter.toBase64()));
    entry(KeyMergeEpub, prefs.MergeEpub ? QStringLiteral("1") : QStringLiteral("0"));
    for (const auto& [key, value] : prefs.UnknownKeys)
        entry(key, value);
    if (!writer.commit()) {
        setError(error, writer.error());
        return false;
    }
    return true;
}

} // namespace PreferencesFile
