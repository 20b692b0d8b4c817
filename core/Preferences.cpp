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
const QString KeyTypesetQuotes = QStringLiteral("TypesetQuotes");
const QString KeyTypesetIndent = QStringLiteral("TypesetIndent");
const QString KeyTypesetBlankLines = QStringLiteral("TypesetBlankLines");
const QString KeyTypesetPunctuation = QStringLiteral("TypesetPunctuation");
const QString KeyTypesetLatinSpace = QStringLiteral("TypesetLatinSpace");
const QString KeyNarrowKeepsPunctuation = QStringLiteral("NarrowKeepsPunctuation");

// A value from a fixed list of choices; anything else leaves the default.
void setChoice(QString& field, const QString& value, std::initializer_list<const char16_t*> choices) {
    for (const char16_t* choice : choices) {
        if (value == choice)
            field = value;
    }
}
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

void setFlag(bool& field, const QString& value) {
    if (const auto flag = flagFromText(value))
        field = *flag;
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
    } else if (key == KeyTypesetQuotes) {
        setChoice(prefs.TypesetQuotes, value, {u"auto", u"mainland", u"taiwan", u"keep"});
    } else if (key == KeyTypesetIndent) {
        setChoice(prefs.TypesetIndent, value, {u"2", u"0", u"keep"});
    } else if (key == KeyTypesetBlankLines) {
        setChoice(prefs.TypesetBlankLines, value, {u"keep", u"none", u"one"});
    } else if (key == KeyTypesetPunctuation) {
        setFlag(prefs.TypesetPunctuation, value);
    } else if (key == KeyTypesetLatinSpace) {
        setFlag(prefs.TypesetLatinSpace, value);
    } else if (key == KeyNarrowKeepsPunctuation) {
        setFlag(prefs.NarrowKeepsPunctuation, value);
    } else if (key == KeyMergeEpub) {
        setFlag(prefs.MergeEpub, value);
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
    const auto flag = [](bool value) {
        return value ? QStringLiteral("1") : QStringLiteral("0");
    };
    entry(KeyTypesetQuotes, prefs.TypesetQuotes);
    entry(KeyTypesetIndent, prefs.TypesetIndent);
    entry(KeyTypesetBlankLines, prefs.TypesetBlankLines);
    entry(KeyTypesetPunctuation, flag(prefs.TypesetPunctuation));
    entry(KeyTypesetLatinSpace, flag(prefs.TypesetLatinSpace));
    entry(KeyNarrowKeepsPunctuation, flag(prefs.NarrowKeepsPunctuation));
    entry(KeyMergeEpub, flag(prefs.MergeEpub));
    for (const auto& [key, value] : prefs.UnknownKeys)
        entry(key, value);
    if (!writer.commit()) {
        setError(error, writer.error());
        return false;
    }
    return true;
}

} // namespace PreferencesFile
