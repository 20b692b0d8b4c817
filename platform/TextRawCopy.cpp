#include "TextRawCopy.h"

#include "ByteReplacer.h"
#include "RegularFile.h"
#include "TextDecoder.h"
#include "TextReader.h"
#include "TextWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkSize = 256 * 1024;

bool isByteEncoding(TextEncoding encoding) {
    return !isUtf16(encoding);
}

bool sameBytes(TextEncoding a, TextEncoding b) {
    const auto family = [](TextEncoding e) {
        return e == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : e;
    };
    return family(a) == family(b);
}

// Writes a source's bytes, piece by piece, as writing its lines one by one would: in a CR LF file a
// lone CR becomes CR LF, and a last line without an end gets one unless `lastLine` says otherwise.
class RawAppender {
public:
    RawAppender(const TextFormat& source, TextWriter& out, ByteReplacer* edit, TextRawCopy::LastLine lastLine)
        : m_out(out), m_edit(edit), m_lineEnd(source.lineEnd), m_endLastLine(lastLine == TextRawCopy::LastLine::Ended) {
    }

    void feed(const char* data, qsizetype size) {
        if (size <= 0)
            return;
        if (m_crWaiting && data[0] != '\n')
            put("\n");
        m_crWaiting = false;
        qsizetype from = 0;
        if (m_lineEnd == LineEnd::CrLf) {
            for (qsizetype at = 0; at < size; ++at) {
                const void* found = std::memchr(data + at, '\r', size_t(size - at));
                if (!found)
                    break;
                at = static_cast<const char*>(found) - data;
                if (at + 1 == size) {
                    m_crWaiting = true;
                } else if (data[at + 1] != '\n') {
                    put(QByteArrayView(data + from, at + 1 - from));
                    put("\n");
                    from = at + 1;
                }
            }
        }
        put(QByteArrayView(data + from, size - from));
        m_previous = size >= 2 ? data[size - 2] : m_last;
        m_last = data[size - 1];
        m_any = true;
    }

    void finish() {
        if (m_crWaiting)
            put("\n");
        if (m_edit)
            m_edit->finish();
        if (m_any && !m_crWaiting && !endsWithLineEnd() && m_endLastLine)
            m_out.writeLineEnd();
    }

private:
    bool endsWithLineEnd() const {
        switch (m_lineEnd) {
        case LineEnd::CrLf:
            break;
        case LineEnd::Lf:
            return m_last == '\n';
        case LineEnd::Cr:
            return m_last == '\r';
        }
        return m_last == '\n' && m_previous == '\r';
    }

    void put(QByteArrayView bytes) {
        if (m_edit)
            m_edit->feed(bytes);
        else
            m_out.writeRaw(bytes);
    }

    TextWriter& m_out;
    ByteReplacer* m_edit;
    LineEnd m_lineEnd;
    bool m_endLastLine;
    bool m_any = false;
    bool m_crWaiting = false; // a CR ended the last piece: the next byte tells whether it is lone
    char m_last = 0;          // the last byte of the file so far
    char m_previous = 0;      // the byte before it
};

} // namespace

namespace TextRawCopy {

bool canAppend(const TextFormat& source, const TextFormat& target) {
    return isByteEncoding(source.encoding) && isByteEncoding(target.encoding) &&
           sameBytes(source.encoding, target.encoding) && source.lineEnd == target.lineEnd;
}

bool append(const QString& path, const TextFormat& source, TextWriter& out, FileError* error,
            const ReadProgress& progress, ByteReplacer* edit) {
    const RegularFile::Opened opened = RegularFile::openForReading(path);
    const int fd = opened.fd;
    if (fd < 0) {
        if (error)
            *error = opened.error;
        return false;
    }
    RawAppender appender(source, out, edit, LastLine::Ended);
    // Not zeroed: a merge appends thousands of small files, and clearing 256 KB for each cost more than reading it.
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(ChunkSize));
    qsizetype skip = source.encoding == TextEncoding::Utf8Bom ? 3 : 0;
    int failure = 0;
    const qint64 fileSize = opened.size;
    qint64 offset = 0;
    for (;;) {
        if (progress && !progress(offset, fileSize)) {
            ::close(fd);
            if (error)
                *error = FileError::stopped();
            return false;
        }
        const ssize_t got = ::read(fd, buffer.get(), static_cast<size_t>(ChunkSize));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        if (got == 0)
            break;
        offset += got;
        const qsizetype begin = std::min<qsizetype>(skip, got);
        skip -= begin;
        appender.feed(buffer.get() + begin, got - begin);
        if (out.error().isSet())
            break;
    }
    ::close(fd);
    if (failure != 0) {
        if (error)
            *error = FileError::fromErrno(failure);
        return false;
    }
    appender.finish();
    return true;
}

bool append(TextReader& source, TextWriter& out, FileError* error, ByteReplacer* edit, LastLine lastLine) {
    RawAppender appender(source.format(), out, edit, lastLine);
    QByteArrayView piece;
    while (source.readRaw(piece)) {
        appender.feed(piece.data(), piece.size());
        if (out.error().isSet())
            return true;
    }
    if (source.error().isSet()) {
        if (error)
            *error = source.error();
        return false;
    }
    appender.finish();
    return true;
}

} // namespace TextRawCopy
