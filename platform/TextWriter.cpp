#include "TextWriter.h"

#include "DurableWrites.h"
#include "TextDecoder.h"

#include "FileName.h"
#include "TextEncoder.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype BufferSize = 256 * 1024;
constexpr qsizetype SliceUnits = 16 * 1024; // text is encoded this many units at a time
std::atomic<qint64> failAfterSetting{-1};

// Follows a chain of symbolic links to the file it finally names (which may not exist yet).
QByteArray followLinks(QByteArray path, int* errorNumber) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0) {
            *errorNumber = errno;
            return path;
        }
        QByteArray next(target, length);
        if (!next.startsWith('/'))
            next.prepend(path.left(path.lastIndexOf('/') + 1));
        path = next;
    }
    *errorNumber = ELOOP;
    return path;
}

} // namespace

struct TextWriter::Impl {
    TextFormat format;
    FileError error;
    std::optional<TextEncoder> encoder;
    int fd = -1;
    int folderFd = -1;
    QByteArray targetPath;
    QByteArray tempPath;
    QByteArray tempName;
    QByteArray buffer; // resize() leaves it unzeroed: a batch opens one writer per file
    qsizetype used = 0;
    qint64 written = 0;
    qint64 handedOver = 0; // bytes whose write-back to the disk has been started
    qint64 settled = 0;    // bytes known to be on the disk
    qint64 failAfter = -1;
    int unmappable = 0; // of the last writer, once it is gone
    // The existing target, read alongside to tell whether the result differs from it at all.
    int existingFd = -1;
    bool sameSoFar = false;
    QByteArray existingBytes;
    bool targetExisted = false;
    bool unchanged = false;
    std::function<bool(FileError&)> beforeReplace;
    std::vector<char32_t> unmappableSample;

    bool isOpen() const { return fd >= 0; }

    void fail(int errnoValue) {
        if (!error.isSet())
            error = FileError::fromErrno(errnoValue);
        discard();
    }

    void stopComparing() {
        if (existingFd >= 0)
            ::close(existingFd);
        existingFd = -1;
        sameSoFar = false;
    }

    // Reads the existing target's next bytes at the offset the new content has reached and keeps
    // comparing only while they match; a read error just means "different".
    void compare(const char* p, qsizetype size) {
        if (!sameSoFar)
            return;
        if (existingBytes.size() < size)
            existingBytes.resize(std::max(size, BufferSize));
        qsizetype have = 0;
        while (have < size) {
            const ssize_t got = ::pread(existingFd, existingBytes.data() + have, size_t(size - have), written + have);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            have += got;
        }
        if (have != size || std::memcmp(existingBytes.constData(), p, size_t(size)) != 0)
            stopComparing();
    }

    // True when the existing target ends exactly where the new content ends.
    bool existingEndsHere() {
        if (!sameSoFar)
            return false;
        char extra;
        ssize_t got;
        do {
            got = ::pread(existingFd, &extra, 1, written);
        } while (got < 0 && errno == EINTR);
        return got == 0;
    }

    // Closes and removes the temporary file, wherever its folder is now.
    void discard() {
        stopComparing();
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (folderFd >= 0) {
            if (!tempName.isEmpty())
                ::unlinkat(folderFd, tempName.constData(), 0);
            ::close(folderFd);
        }
        folderFd = -1;
        tempName.clear();
        if (encoder) {
            unmappable = encoder->unmappableCount();
            unmappableSample = encoder->unmappableSample();
        }
        encoder.reset();
        used = 0;
    }

    bool flush() {
        const char* p = buffer.data();
        qsizetype left = used;
        compare(p, left);
        while (left > 0) {
            qsizetype chunk = left;
            if (failAfter >= 0 && written + chunk > failAfter)
                chunk = failAfter - written;
            if (chunk <= 0) {
                fail(ENOSPC);
                return false;
            }
            const ssize_t done = ::write(fd, p, size_t(chunk));
            if (done < 0) {
                if (errno == EINTR)
                    continue;
                fail(errno);
                return false;
            }
            p += done;
            left -= done;
            written += done;
        }
        used = 0;
        startWriteBack();
        return true;
    }

    // A large file's bytes go on to the disk while it is written, so that the data sync of the commit
    // waits for the last pieces only, not for a whole gigabyte (the window would stand still meanwhile).
    // The piece handed over before is waited for when the next one goes: never more than two pieces
    // wait for the disk, and writing keeps pace with a disk slower than the transformation.
    void startWriteBack() {
#ifdef __linux__
        constexpr qint64 Piece = qint64(16) << 20;
        if (written - handedOver < Piece)
            return;
        if (handedOver > settled) {
            ::sync_file_range(fd, settled, handedOver - settled,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            settled = handedOver;
        }
        ::sync_file_range(fd, handedOver, written - handedOver, SYNC_FILE_RANGE_WRITE);
        handedOver = written;
#endif
    }

    void append(const char* bytes, qsizetype size) {
        while (size > 0 && isOpen()) {
            if (used == qsizetype(buffer.size()) && !flush())
                return;
            const qsizetype chunk = std::min(size, qsizetype(buffer.size()) - used);
            std::memcpy(buffer.data() + used, bytes, size_t(chunk));
            used += chunk;
            bytes += chunk;
            size -= chunk;
        }
    }

    void encode(const char16_t* text, qsizetype size) {
        while (size > 0 && isOpen()) {
            const qsizetype slice = std::min(size, SliceUnits);
            if (used + TextEncoder::maxBytes(slice) > qsizetype(buffer.size()) && !flush())
                return;
            used += encoder->encode(text, slice, buffer.data() + used);
            text += slice;
            size -= slice;
        }
    }

    bool create(const QString& path);
};

bool TextWriter::Impl::create(const QString& path) {
    int errorNumber = 0;
    targetPath = followLinks(FileName::encode(path), &errorNumber);
    if (errorNumber != 0) {
        fail(errorNumber);
        return false;
    }
    const qsizetype slash = targetPath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : targetPath.left(slash);
    const QByteArray name = targetPath.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..") {
        fail(EISDIR);
        return false;
    }
    struct stat existing;
    const bool exists = ::stat(targetPath.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        fail(EISDIR);
        return false;
    }
    folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        fail(errno);
        return false;
    }
    // Created with 0666 so that the umask decides the bits of a new file, as for any other new file.
    const QByteArray stem = "." + name.left(120) + ".";
    for (int attempt = 0; fd < 0; ++attempt) {
        const QByteArray candidate = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".qmtmp";
        fd = ::openat(folderFd, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempName = candidate;
        } else if (errno != EEXIST || attempt == 100) {
            fail(errno);
            return false;
        }
    }
    tempPath = folder + "/" + tempName;
    targetExisted = exists;
    if (exists && S_ISREG(existing.st_mode)) {
        existingFd = ::open(targetPath.constData(), O_RDONLY | O_CLOEXEC);
        sameSoFar = existingFd >= 0;
    }
    if (exists) {
        if (::fchmod(fd, existing.st_mode & 07777) != 0) {
            fail(errno);
            return false;
        }
        // Keeping the owner is only possible with the right to do so; without it the file becomes ours.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
        }
    }
    return true;
}

TextWriter::TextWriter() : d(std::make_unique<Impl>()) {}

TextWriter::~TextWriter() {
    cancel();
}

void TextWriter::failAfterBytesForTesting(qint64 bytes) {
    failAfterSetting = bytes;
}

bool TextWriter::open(const QString& path, const TextFormat& format) {
    cancel();
    d->error = {};
    d->format = format;
    d->written = 0;
    d->handedOver = 0;
    d->settled = 0;
    d->used = 0;
    d->failAfter = failAfterSetting.load();
    d->unmappable = 0;
    d->targetExisted = false;
    d->unchanged = false;
    d->beforeReplace = nullptr;
    d->unmappableSample.clear();
    if (!d->create(path))
        return false;
    d->buffer.resize(BufferSize);
    d->encoder.emplace(format.encoding);
    const QByteArray mark = TextEncoder::byteOrderMark(format.encoding);
    d->append(mark.constData(), mark.size());
    return d->isOpen();
}

const TextFormat& TextWriter::format() const {
    return d->format;
}

void TextWriter::write(QStringView text) {
    if (!d->isOpen())
        return;
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    if (d->format.lineEnd == LineEnd::CrLf) {
        d->encode(units, text.size());
        return;
    }
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(u"\r\n", from);
        if (at < 0)
            break;
        d->encode(units + from, at - from);
        from = at + 1; // the LF stays
    }
    d->encode(units + from, text.size() - from);
}

void TextWriter::writeRaw(QByteArrayView bytes) {
    if (!d->isOpen())
        return;
    if (!isUtf16(d->format.encoding)) {
        d->append(bytes.data(), bytes.size());
        return;
    }
    // UTF-16 has no room for raw bytes: they travel as escapes, which the encoder writes back as
    // the very same bytes.
    std::vector<char16_t> units(size_t(std::min(bytes.size(), SliceUnits)));
    for (qsizetype from = 0; from < bytes.size(); from += SliceUnits) {
        const qsizetype size = std::min(bytes.size() - from, SliceUnits);
        for (qsizetype i = 0; i < size; ++i)
            units[size_t(i)] = TextDecoder::escape(uchar(bytes[from + i]));
        d->encode(units.data(), size);
    }
}

void TextWriter::writeLine(QStringView line) {
    write(line);
    writeLineEnd();
}

void TextWriter::writeLineEnd() {
    static const char16_t crLf[] = u"\r\n";
    if (d->format.lineEnd == LineEnd::CrLf)
        d->encode(crLf, 2);
    else
        d->encode(crLf + 1, 1);
}

bool TextWriter::commit() {
    if (!d->isOpen()) {
        if (!d->error.isSet())
            d->error = FileError::fromErrno(EBADF);
        return false;
    }
    if (qsizetype(d->buffer.size()) - d->used < TextEncoder::maxBytes(0) && !d->flush())
        return false;
    d->used += d->encoder->finish(d->buffer.data() + d->used);
    if (!d->flush())
        return false;
    if (d->existingEndsHere()) {
        d->unchanged = true;
        d->discard();
        return true;
    }
    d->stopComparing();
    if (d->targetExisted && d->beforeReplace) {
        FileError hookError;
        if (!d->beforeReplace(hookError)) {
            d->error = hookError.isSet() ? hookError : FileError::fromErrno(EIO);
            d->discard();
            return false;
        }
    }
    // Within a batch the data reaches the disk with the batch's one sync at its end; alone, the data
    // reaches it before the rename can, so that after a power cut the target holds either its old or
    // its whole new content.
    if (!DurableWrites::deferSync(d->fd) && ::fdatasync(d->fd) != 0) {
        d->fail(errno);
        return false;
    }
    const int closed = ::close(d->fd);
    d->fd = -1;
    if (closed != 0) {
        d->fail(errno);
        return false;
    }
    // By path rather than through the folder handle: a folder that has moved or gone away since open()
    // fails the replacement instead of writing somewhere the caller did not ask for.
    if (::rename(d->tempPath.constData(), d->targetPath.constData()) != 0) {
        d->fail(errno);
        return false;
    }
    d->tempName.clear();
    d->discard();
    return true;
}

void TextWriter::cancel() {
    d->discard();
}

void TextWriter::setBeforeReplace(std::function<bool(FileError& error)> hook) {
    d->beforeReplace = std::move(hook);
}

bool TextWriter::unchanged() const {
    return d->unchanged;
}

int TextWriter::unmappableCount() const {
    return d->encoder ? d->encoder->unmappableCount() : d->unmappable;
}

std::vector<char32_t> TextWriter::unmappableSample() const {
    return d->encoder ? d->encoder->unmappableSample() : d->unmappableSample;
}

void TextWriter::keepExtensionCodesOf(QStringView sourceText) {
    if (d->encoder)
        d->encoder->allowExtensionCharacters(sourceText);
}

const FileError& TextWriter::error() const {
    return d->error;
}
