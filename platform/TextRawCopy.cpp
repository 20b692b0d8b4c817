#include "TextRawCopy.h"

#include "ByteReplacer.h"
#include "FileName.h"
#include "TextDecoder.h"
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

} // namespace

namespace TextRawCopy {

bool canAppend(const TextFormat& source, const TextFormat& target) {
    return isByteEncoding(source.encoding) && isByteEncoding(target.encoding) &&
           sameBytes(source.encoding, target.encoding) && source.lineEnd == target.lineEnd;
}

bool append(const QString& path, const TextFormat& source, TextWriter& out, FileError* error,
            const ReadProgress& progress, ByteReplacer* edit) {
    const int fd = ::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = FileError::fromErrno(errno);
        return false;
    }
    const auto put = [&](QByteArrayView bytes) {
        if (edit)
            edit->feed(bytes);
        else
            out.writeRaw(bytes);
    };
    const bool crLf = source.lineEnd == LineEnd::CrLf;
    // Not zeroed: a merge appends thousands of small files, and clearing 256 KB for each cost more than reading it.
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(ChunkSize));
    qsizetype skip = source.encoding == TextEncoding::Utf8Bom ? 3 : 0;
    bool any = false;
    bool crWaiting = false; // a CR ended the last chunk: the next byte tells whether it is lone
    char last = 0;          // the last byte of the file so far
    char previous = 0;      // the byte before it
    int failure = 0;
    struct stat st;
    const qint64 fileSize = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
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
        if (begin == got)
            continue;
        const char* data = buffer.get() + begin;
        const qsizetype size = got - begin;

        if (crWaiting && data[0] != '\n')
            put("\n");
        crWaiting = false;
        qsizetype from = 0;
        if (crLf) {
            for (qsizetype at = 0; at < size; ++at) {
                const void* found = std::memchr(data + at, '\r', size_t(size - at));
                if (!found)
                    break;
                at = static_cast<const char*>(found) - data;
                if (at + 1 == size) {
                    crWaiting = true;
                } else if (data[at + 1] != '\n') {
                    put(QByteArrayView(data + from, at + 1 - from));
                    put("\n");
                    from = at + 1;
                }
            }
        }
        put(QByteArrayView(data + from, size - from));

        previous = size >= 2 ? data[size - 2] : last;
        last = data[size - 1];
        any = true;
        if (out.error().isSet())
            break;
    }
    ::close(fd);
    if (failure != 0) {
        if (error)
            *error = FileError::fromErrno(failure);
        return false;
    }
    if (crWaiting)
        put("\n");
    if (edit)
        edit->finish();
    if (crWaiting)
        return true;
    const bool ended = last == '\n' && (!crLf || previous == '\r');
    if (any && !ended)
        out.writeLineEnd();
    return true;
}

} // namespace TextRawCopy
