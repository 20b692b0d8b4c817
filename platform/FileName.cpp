#include "FileName.h"

#include "TextDecoder.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <unistd.h>

namespace {

// The bytes 0x80..0xFF that decode() could not read as UTF-8.
bool isEscapedByte(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

void putUtf8(char32_t codePoint, QByteArray& out) {
    if (codePoint < 0x80) {
        out.append(char(codePoint));
    } else if (codePoint < 0x800) {
        out.append(char(0xC0 | codePoint >> 6));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.append(char(0xE0 | codePoint >> 12));
        out.append(char(0x80 | (codePoint >> 6 & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else {
        out.append(char(0xF0 | codePoint >> 18));
        out.append(char(0x80 | (codePoint >> 12 & 0x3F)));
        out.append(char(0x80 | (codePoint >> 6 & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    }
}

} // namespace

namespace FileName {

QByteArray encode(QStringView path) {
    QByteArray out;
    out.reserve(path.size() * 3);
    const qsizetype size = path.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = path[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(path[i + 1].unicode())) {
            putUtf8(QChar::surrogateToUcs4(unit, path[i + 1].unicode()), out);
            ++i;
        } else if (isEscapedByte(unit)) {
            out.append(char(unit & 0xFF));
        } else if (unit == 0) {
            // A NUL would end the path early and name another file: written in the two-byte form
            // that no valid name holds.
            out.append("\xC0\x80", 2);
        } else {
            // Any other lone surrogate is written in UTF-8's form for it, which no valid name holds:
            // never "?" or U+FFFD, which could name another file.
            putUtf8(unit, out);
        }
    }
    return out;
}

QString decode(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    qsizetype written = 0;
    const TextDecoder decoder(TextEncoding::Utf8);
    decoder.decode(reinterpret_cast<const uchar*>(bytes.data()), bytes.size(), true,
                   reinterpret_cast<char16_t*>(out.data()), &written);
    out.truncate(written);
    return out;
}

bool isFaithful(QStringView name) {
    return decode(encode(name)) == name;
}

bool isPlainFileName(QStringView name) {
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (QChar c : name) {
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return isFaithful(name);
}

QString absolutePath(const QString& path) {
    QString full = path;
    if (!path.startsWith(u'/')) {
        QByteArray here(4096, Qt::Uninitialized);
        while (!::getcwd(here.data(), size_t(here.size())) && errno == ERANGE)
            here.resize(here.size() * 2);
        full = decode(QByteArrayView(here.constData())) + u'/' + path;
    }
    QStringList parts;
    for (const QString& part : full.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return u'/' + parts.join(u'/');
}

QString programFolder(const QString& fallback) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0 || length == ssize_t(sizeof target))
        return fallback;
    const QString program = decode(QByteArrayView(target, qsizetype(length)));
    return program.left(std::max<qsizetype>(program.lastIndexOf(u'/'), 1));
}

} // namespace FileName
