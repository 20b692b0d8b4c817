#include "TextWriter.h"

#include "AtomicFile.h"
#include "FileName.h"
#include "FileOps.h"
#include "TextDecoder.h"
#include "TextEncoder.h"

#include <QByteArray>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype BufferSize = 256 * 1024;
constexpr qsizetype SliceUnits = 16 * 1024; // text is encoded this many units at a time
std::atomic<qint64> failAfterSetting{-1};

} // namespace

struct TextWriter::Impl {
    TextFormat format;
    FileError error;
    std::optional<TextEncoder> encoder;
    AtomicFile file;
    int fd = -1; // file's
    QByteArray targetPath;
    QByteArray buffer; // resize() leaves it unzeroed: a batch opens one writer per file
    qsizetype used = 0;
    qint64 written = 0;
    qint64 handedOver = 0; // bytes whose write-back to the disk has been started
    qint64 settled = 0;    // bytes known to be on the disk
    qint64 failAfter = -1;
    int unmappable = 0; // of the last writer, once it is gone
    // The existing target, locked while this writer works on it and read alongside to tell whether
    // the result differs from it at all.
    int existingFd = -1;
    bool sameSoFar = false;
    QByteArray existingBytes;
    bool targetExisted = false;
    FileIdentity expected; // the existing target as the job found it
    bool checkTarget = false; // whether the target must still be `expected` at the commit
    bool unchanged = false;
    std::function<bool(FileError&)> beforeReplace;
    std::vector<char32_t> unmappableSample;
    // The format's line end as bytes, in the byte encodings (0 bytes in UTF-16, where it is encoded).
    char lineEndChars[2] = {};
    qsizetype lineEndBytes = 0;

    bool isOpen() const { return fd >= 0; }

    void fail(int errnoValue) {
        if (!error.isSet())
            error = FileError::fromErrno(errnoValue);
        discard();
    }

    void stopComparing() { sameSoFar = false; }

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

    // Drops the new content and lets go of the existing target (and its lock).
    void discard() {
        stopComparing();
        if (existingFd >= 0)
            ::close(existingFd);
        existingFd = -1;
        file.cancel();
        fd = -1;
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
    bool targetUnchangedSinceRead(FileError& changed) const;
};

bool TextWriter::Impl::create(const QString& path) {
    int errorNumber = 0;
    targetPath = AtomicFile::followLinks(FileName::encode(path), &errorNumber);
    if (errorNumber != 0) {
        fail(errorNumber);
        return false;
    }
    const qsizetype slash = targetPath.lastIndexOf('/');
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
    if (exists && !FileOps::mayRewrite(existing, targetPath, &error)) {
        discard();
        return false;
    }
    targetExisted = exists;
    if (exists && S_ISREG(existing.st_mode)) {
        existingFd = ::open(targetPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        sameSoFar = existingFd >= 0;
        // One job at a time works on a file: a second one (another run over the same files) fails.
        // Where the file system has no such locks (NFS wants a file open for writing, some FUSE
        // mounts have none), the check before the rename still keeps the other run's edit.
        if (existingFd >= 0 && ::flock(existingFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            error = FileError::busy();
            discard();
            return false;
        }
        expected = existingFd >= 0 ? FileIdentity::ofFd(existingFd) : FileIdentity::of(existing);
        checkTarget = true;
    }
    // Created with 0666 so that the umask decides the bits of a new file, as for any other new file.
    if (!file.open(targetPath, 0666, &error)) {
        discard();
        return false;
    }
    fd = file.fd();
    if (exists && !file.takeOwnerAndMode(existing, &error)) {
        discard();
        return false;
    }
    return true;
}

// True while the target is still the file the job read: replaced by none and changed by none.
bool TextWriter::Impl::targetUnchangedSinceRead(FileError& changed) const {
    if (!checkTarget)
        return true;
    struct stat now;
    if (::stat(targetPath.constData(), &now) != 0) {
        changed = FileError::fromErrno(errno);
        return false;
    }
    if (FileIdentity::of(now) == expected)
        return true;
    changed = FileError::changedMeanwhile();
    return false;
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
    d->expected = {};
    d->checkTarget = false;
    d->unchanged = false;
    d->beforeReplace = nullptr;
    d->unmappableSample.clear();
    if (!d->create(path))
        return false;
    d->buffer.resize(BufferSize);
    d->encoder.emplace(format.encoding);
    const QStringView lineEnd = lineEndText(format.lineEnd);
    d->lineEndBytes = isUtf16(format.encoding) ? 0 : lineEnd.size();
    for (qsizetype i = 0; i < d->lineEndBytes; ++i)
        d->lineEndChars[i] = char(lineEnd[i].unicode());
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
    // A CR LF keeps its LF (a Unix file) or its CR (an old Mac file) and loses the other.
    const bool keepCr = d->format.lineEnd == LineEnd::Cr;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(u"\r\n", from);
        if (at < 0)
            break;
        d->encode(units + from, at - from + (keepCr ? 1 : 0));
        from = keepCr ? at + 2 : at + 1;
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
    // In the byte encodings a line end is its ASCII bytes, put straight into the buffer, unless the
    // encoder still holds half of a character, which comes out first.
    if (d->lineEndBytes > 0 && d->isOpen() && d->encoder->holdsNothing() &&
        d->used + d->lineEndBytes <= qsizetype(d->buffer.size())) {
        std::memcpy(d->buffer.data() + d->used, d->lineEndChars, size_t(d->lineEndBytes));
        d->used += d->lineEndBytes;
        return;
    }
    const QStringView lineEnd = lineEndText(d->format.lineEnd);
    d->encode(reinterpret_cast<const char16_t*>(lineEnd.utf16()), lineEnd.size());
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
    // its whole new content. A target that changed since the job read it is left to its new owner;
    // one that did not exist must not have appeared meanwhile.
    const AtomicFile::Mode mode = d->targetExisted ? AtomicFile::Mode::Replace : AtomicFile::Mode::NoReplace;
    if (!d->file.commit(mode, FileSync::WithBatch, &d->error,
                        [this](FileError& changed) { return d->targetUnchangedSinceRead(changed); })) {
        d->discard();
        return false;
    }
    d->discard();
    return true;
}

void TextWriter::expectTarget(const FileIdentity& asRead) {
    if (!asRead.isKnown())
        return;
    d->expected = asRead;
    d->checkTarget = true;
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
