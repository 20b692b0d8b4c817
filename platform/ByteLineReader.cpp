#include "ByteLineReader.h"

#include "LineBreak.h"

#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkSize = 256 * 1024;

qsizetype bomSize(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8Bom ? 3 : 0;
}

} // namespace

struct ByteLineReader::Impl {
    int fd = -1;
    LineEnd lineEnd = LineEnd::CrLf;
    // Not zeroed: find and replace opens a reader for every file, most of them far smaller than this.
    QByteArray buffer = QByteArray(ChunkSize, Qt::Uninitialized);
    qsizetype begin = 0;
    qsizetype end = 0;
    bool atEof = false;
    FileError error;
    ReadProgress progress;
    qint64 fileSize = 0;
    qint64 offset = 0;

    ~Impl() {
        if (fd >= 0)
            ::close(fd);
    }

    // Reads the next piece behind what is still unread; false at the end of the file or on an error.
    bool fill() {
        if (begin > 0) {
            std::memmove(buffer.data(), buffer.data() + begin, size_t(end - begin));
            end -= begin;
            begin = 0;
        }
        if (end == qsizetype(buffer.size()))
            buffer.resize(buffer.size() * 2);
        if (progress && !progress(offset, fileSize)) {
            error = FileError::stopped();
            return false;
        }
        for (;;) {
            const ssize_t got = ::read(fd, buffer.data() + end, size_t(buffer.size() - end));
            if (got > 0) {
                end += got;
                offset += got;
                return true;
            }
            if (got == 0) {
                atEof = true;
                return false;
            }
            if (errno != EINTR) {
                error = FileError::fromErrno(errno);
                return false;
            }
        }
    }
};

ByteLineReader::ByteLineReader() : d(std::make_unique<Impl>()) {}

ByteLineReader::~ByteLineReader() = default;

bool ByteLineReader::open(const QString& path, const TextFormat& format) {
    ReadProgress progress = std::move(d->progress);
    d = std::make_unique<Impl>();
    d->progress = std::move(progress);
    d->lineEnd = format.lineEnd;
    const RegularFile::Opened opened = RegularFile::openForReading(path);
    d->fd = opened.fd;
    if (d->fd < 0) {
        d->error = opened.error;
        return false;
    }
    if (::lseek(d->fd, bomSize(format.encoding), SEEK_SET) < 0) {
        d->error = FileError::fromErrno(errno);
        return false;
    }
    d->fileSize = opened.size;
    return true;
}

void ByteLineReader::setProgress(ReadProgress progress) {
    d->progress = std::move(progress);
}

bool ByteLineReader::readLine(QByteArrayView& line) {
    if (d->fd < 0)
        return false;
    qsizetype scanned = 0;
    for (;;) {
        const char* data = d->buffer.data() + d->begin;
        const qsizetype size = d->end - d->begin;
        // A CR as the last byte read may be the first half of a CR LF: read on before deciding.
        const LineBreak lineBreak = findLineBreak(data, size, scanned, d->lineEnd == LineEnd::Lf, d->atEof);
        const bool undecided = lineBreak.kind == LineBreak::NeedMore;
        if (lineBreak.kind == LineBreak::Found) {
            line = QByteArrayView(data, lineBreak.at);
            d->begin += lineBreak.next;
            return true;
        }
        scanned = lineBreak.resumeFrom;
        if (!d->atEof && d->fill())
            continue;
        if (d->error.isSet())
            return false;
        if (undecided)
            continue; // the end of the file came: the CR ends the line on its own
        if (d->end == d->begin)
            return false;
        line = QByteArrayView(d->buffer.data() + d->begin, d->end - d->begin);
        d->begin = d->end;
        return true;
    }
}

const FileError& ByteLineReader::error() const {
    return d->error;
}

bool ByteLineReader::isSafeAscii(TextEncoding encoding, QByteArrayView ascii) {
    if (isUtf16(encoding))
        return false;
    const bool legacy = encoding == TextEncoding::Gb18030 || encoding == TextEncoding::Big5;
    for (const char c : ascii) {
        const uchar b = uchar(c);
        if (b >= 0x80 || b == '\r' || b == '\n')
            return false;
        if (legacy && ((b >= 0x30 && b <= 0x39) || (b >= 0x40 && b <= 0x7E)))
            return false;
    }
    return true;
}
