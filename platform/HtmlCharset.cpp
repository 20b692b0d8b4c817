#include "HtmlCharset.h"

#include "RegularFile.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 ScanSize = 4096;

bool isNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The charset named inside one tag's text (everything between "<meta" and ">"), lower-cased.
QByteArray charsetInTag(const QByteArray& tag) {
    qsizetype at = 0;
    while ((at = tag.indexOf("charset", at)) >= 0) {
        at += 7;
        qsizetype i = at;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '"' || tag[i] == '\''))
            ++i;
        const qsizetype start = i;
        while (i < tag.size() && isNameByte(tag[i]))
            ++i;
        if (i > start)
            return tag.mid(start, i - start);
    }
    return {};
}

} // namespace

std::optional<TextEncoding> declaredHtmlCharset(const QString& path) {
    const int fd = RegularFile::openForReading(path).fd;
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    const QByteArray head = file.read(ScanSize).toLower();
    qsizetype at = 0;
    while ((at = head.indexOf("<meta", at)) >= 0) {
        at += 5;
        qsizetype close = head.indexOf('>', at);
        if (close < 0)
            close = head.size();
        const QByteArray name = charsetInTag(head.mid(at, close - at));
        if (!name.isEmpty())
            return encodingFromCharsetName(name);
        at = close;
    }
    return std::nullopt;
}
