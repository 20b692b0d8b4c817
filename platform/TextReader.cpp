#include "TextReader.h"

#include "CodePageGuess.h"
#include "FileName.h"
#include "TextDecoder.h"

#include <QStringView>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <uchardet/uchardet.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int DefaultChunkSize = 64 * 1024;
// uchardet costs about 0.2 ms per KB, so it sees only the first pieces of a file that hold non-ASCII
// bytes, in slices, until it is sure or has seen this much; thousands of characters settle the question.
constexpr qsizetype DetectorBudget = 16 * 1024;
constexpr qsizetype DetectorSlice = 4 * 1024;
std::atomic<int> chunkSizeSetting{0};

bool hasNonAscii(const uchar* p, qsizetype size) {
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL)
            return true;
    }
    for (; i < size; ++i) {
        if (p[i] & 0x80)
            return true;
    }
    return false;
}

// Checks UTF-8 validity piece by piece; a sequence cut off at the end of a piece is handed back to be
// checked again with the next piece.
class Utf8Checker {
public:
    // Returns the number of bytes checked; the rest must be offered again with more bytes behind them.
    qsizetype feed(const uchar* p, qsizetype size, bool final) {
        qsizetype i = 0;
        while (i < size && m_valid) {
            while (i + 8 <= size) {
                quint64 word;
                std::memcpy(&word, p + i, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                i += 8;
            }
            if (i >= size)
                break;
            const uchar lead = p[i];
            if (lead < 0x80) {
                ++i;
                continue;
            }
            m_nonAscii = true;
            int trailCount = 0;
            uchar low = 0x80;
            uchar high = 0xBF;
            if (lead >= 0xC2 && lead <= 0xDF) {
                trailCount = 1;
            } else if (lead >= 0xE0 && lead <= 0xEF) {
                trailCount = 2;
                low = lead == 0xE0 ? 0xA0 : 0x80;
                high = lead == 0xED ? 0x9F : 0xBF;
            } else if (lead >= 0xF0 && lead <= 0xF4) {
                trailCount = 3;
                low = lead == 0xF0 ? 0x90 : 0x80;
                high = lead == 0xF4 ? 0x8F : 0xBF;
            } else {
                m_valid = false;
                break;
            }
            if (size - i - 1 < trailCount) {
                // A file cut off inside its last character is still a UTF-8 file: the cut bytes
                // read as escapes, the rest as the text it is.
                if (final) {
                    for (qsizetype k = 1; i + k < size; ++k) {
                        if (p[i + k] < low || p[i + k] > high)
                            m_valid = false;
                        low = 0x80;
                        high = 0xBF;
                    }
                    i = size;
                }
                break;
            }
            for (int k = 1; k <= trailCount; ++k) {
                if (p[i + k] < low || p[i + k] > high) {
                    m_valid = false;
                    break;
                }
                low = 0x80;
                high = 0xBF;
            }
            i += trailCount + 1;
        }
        return m_valid ? i : size;
    }
    bool valid() const { return m_valid; }
    bool nonAscii() const { return m_nonAscii; }

private:
    bool m_valid = true;
    bool m_nonAscii = false;
};

} // namespace

struct TextReader::Impl {
    int fd = -1;
    int chunkSize = DefaultChunkSize;
    TextFormat format;
    FileError error;
    std::optional<TextDecoder> decoder;
    bool unixLines = false;
    bool atEnd = false;

    std::vector<uchar> raw; // bytes read but not yet decoded sit at the front
    qsizetype rawKept = 0;
    std::vector<char16_t> text; // decoded text; [textBegin, textEnd) not yet handed out
    qsizetype textBegin = 0;
    qsizetype textEnd = 0;
    qsizetype scanned = 0; // how far past textBegin the search for a line end has looked

    ReadProgress progress;
    qint64 fileSize = 0;
    qint64 offset = 0;      // where the next read starts
    qint64 limit = -1;      // when not negative, reads end here as if the file did
    bool examining = false; // open()'s look at the file reports no progress of its own
    bool limited = false;   // a read ended at `limit` rather than at the end of the file

    void fail(int errnoValue) {
        error = FileError::fromErrno(errnoValue);
        atEnd = true;
    }

    bool seek(qint64 to) {
        if (::lseek(fd, to, SEEK_SET) < 0) {
            fail(errno);
            return false;
        }
        offset = to;
        return true;
    }

    // Reads up to `capacity` bytes at `into`; 0 at the end of the file, -1 on an error or a stop.
    qsizetype readBytes(uchar* into, qsizetype capacity) {
        if (limit >= 0 && offset + capacity >= limit) {
            capacity = qsizetype(std::max<qint64>(0, limit - offset));
            limited = true;
            if (capacity == 0)
                return 0;
        }
        if (progress && !progress(examining ? 0 : offset, fileSize)) {
            error = FileError::stopped();
            atEnd = true;
            return -1;
        }
        for (;;) {
            const ssize_t got = ::read(fd, into, size_t(capacity));
            if (got >= 0) {
                offset += got;
                return got;
            }
            if (errno != EINTR) {
                fail(errno);
                return -1;
            }
        }
    }

    // The first bytes of the file as read by examine(), up to one piece; `startIsWhole` when that is
    // the whole file, which then needs no second read (most chapter files are this small).
    std::vector<uchar> start;
    bool startIsWhole = false;
    void remember(const uchar* bytes, qsizetype size) {
        if (qsizetype(start.size()) + size <= chunkSize)
            start.insert(start.end(), bytes, bytes + size);
        else
            start.resize(size_t(chunkSize) + 1); // more than a piece: the file is read again instead
    }

    bool examine(std::optional<TextEncoding> declared);
    TextEncoding detectCodePage();
    bool fill();
};

bool TextReader::Impl::examine(std::optional<TextEncoding> declared) {
    raw.resize(size_t(chunkSize) + 8);
    // The byte order mark needs the first three bytes, however small the pieces.
    uchar head[3];
    qsizetype headSize = 0;
    start.clear();
    startIsWhole = false;
    while (headSize < 3) {
        const qsizetype got = readBytes(head + headSize, 3 - headSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        headSize += got;
    }
    remember(head, headSize);
    qsizetype bomSize = 0;
    std::optional<TextEncoding> fromBom;
    if (headSize >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        fromBom = TextEncoding::Utf8Bom;
        bomSize = 3;
    } else if (headSize >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        fromBom = TextEncoding::Utf16LE;
        bomSize = 2;
    } else if (headSize >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        fromBom = TextEncoding::Utf16BE;
        bomSize = 2;
    }
    if (!fromBom && declared == TextEncoding::Utf8Bom)
        declared = TextEncoding::Utf8;
    const std::optional<TextEncoding> known = fromBom ? fromBom : declared;
    const bool wide = known == TextEncoding::Utf16LE || known == TextEncoding::Utf16BE;
    const bool bigEndian = known == TextEncoding::Utf16BE;

    // One pass over the file: CR and LF, and whether the non-ASCII bytes are UTF-8. It ends early once
    // a CR has turned up and the encoding no longer depends on the rest.
    bool sawCr = false;
    bool sawLf = false;
    Utf8Checker checker;
    const bool checkUtf8 = !known;
    qsizetype kept = headSize - bomSize;
    std::memcpy(raw.data(), head + bomSize, size_t(kept));
    bool end = false;
    while (!end) {
        const qsizetype got = readBytes(raw.data() + kept, chunkSize);
        if (got < 0)
            return false;
        end = got == 0;
        remember(raw.data() + kept, got);
        const qsizetype size = kept + got;
        const uchar* p = raw.data();
        qsizetype used = size;
        if (wide) {
            used = size & ~qsizetype(1);
            const int high = bigEndian ? 0 : 1;
            for (qsizetype i = 0; i < used; i += 2) {
                if (p[i + high] == 0) {
                    const uchar low = p[i + 1 - high];
                    sawCr = sawCr || low == '\r';
                    sawLf = sawLf || low == '\n';
                }
            }
        } else {
            if (checkUtf8 && checker.valid())
                used = checker.feed(p, size, end);
            if (!sawCr)
                sawCr = std::memchr(p, '\r', size_t(used)) != nullptr;
            if (!sawLf)
                sawLf = std::memchr(p, '\n', size_t(used)) != nullptr;
        }
        if (sawCr && (!checkUtf8 || !checker.valid())) {
            // Whether the bytes seen are the whole file decides if it must be read again.
            if (qsizetype(start.size()) <= chunkSize) {
                uchar probe;
                const qsizetype more = readBytes(&probe, 1);
                if (more < 0)
                    return false;
                remember(&probe, more);
                end = more == 0;
            }
            break;
        }
        kept = size - used;
        std::memmove(raw.data(), p + used, size_t(kept));
    }
    startIsWhole = end && !limited && qsizetype(start.size()) <= chunkSize;
    if (fromBom)
        format.encoding = *fromBom;
    else if (declared)
        format.encoding = *declared;
    else if (!checker.nonAscii())
        format.encoding = TextEncoding::Gb18030;
    else if (checker.valid())
        format.encoding = TextEncoding::Utf8;
    else
        format.encoding = detectCodePage();
    if (error.isSet())
        return false;
    format.lineEnd = !sawCr && sawLf ? LineEnd::Lf : LineEnd::CrLf;
    unixLines = format.lineEnd == LineEnd::Lf;
    if (startIsWhole) {
        // The file is at its end already: decoding starts from the bytes in memory.
        rawKept = qsizetype(start.size()) - bomSize;
        if (rawKept > 0)
            std::memcpy(raw.data(), start.data() + bomSize, size_t(rawKept));
    } else if (!seek(bomSize)) {
        return false;
    }
    start.clear();
    decoder.emplace(format.encoding);
    return true;
}

TextEncoding TextReader::Impl::detectCodePage() {
    // The first piece that holds non-ASCII bytes usually settles it without the detector.
    qsizetype got = 0;
    if (startIsWhole) {
        got = qsizetype(start.size());
        if (got > 0)
            std::memcpy(raw.data(), start.data(), size_t(got));
    } else {
        if (!seek(0))
            return TextEncoding::Gb18030;
        do {
            got = readBytes(raw.data(), chunkSize);
        } while (got > 0 && !hasNonAscii(raw.data(), got));
    }
    if (got <= 0)
        return TextEncoding::Gb18030;
    CodePageGuess guess;
    guess.feed(raw.data(), std::min(got, DetectorBudget));
    if (const std::optional<TextEncoding> clear = guess.verdict())
        return *clear;

    uchardet_t detector = uchardet_new();
    qsizetype fed = 0;
    bool sure = false;
    for (bool first = true; fed < DetectorBudget && !sure; first = false) {
        if (!first)
            got = readBytes(raw.data(), chunkSize);
        if (got <= 0)
            break;
        if (!hasNonAscii(raw.data(), got))
            continue;
        for (qsizetype at = 0; at < got && fed < DetectorBudget && !sure; at += DetectorSlice) {
            const qsizetype slice = std::min(DetectorSlice, got - at);
            sure = uchardet_handle_data(detector, reinterpret_cast<const char*>(raw.data() + at), size_t(slice)) != 0 ||
                   *uchardet_get_charset(detector) != '\0';
            fed += slice;
        }
    }
    uchardet_data_end(detector);
    const QByteArray charset = QByteArray(uchardet_get_charset(detector)).toUpper();
    uchardet_delete(detector);
    return charset.contains("BIG5") ? TextEncoding::Big5 : TextEncoding::Gb18030;
}

bool TextReader::Impl::fill() {
    if (textBegin > 0) {
        std::memmove(text.data(), text.data() + textBegin, size_t(textEnd - textBegin) * sizeof(char16_t));
        textEnd -= textBegin;
        textBegin = 0;
    }
    const qsizetype got = readBytes(raw.data() + rawKept, chunkSize);
    if (got < 0)
        return false;
    const bool final = got == 0;
    const qsizetype size = rawKept + got;
    if (qsizetype(text.size()) < textEnd + size)
        text.resize(size_t(std::max(textEnd + size, qsizetype(text.size()) * 2)));
    qsizetype written = 0;
    const qsizetype used = decoder->decode(raw.data(), size, final, text.data() + textEnd, &written);
    textEnd += written;
    rawKept = size - used;
    std::memmove(raw.data(), raw.data() + used, size_t(rawKept));
    atEnd = final;
    return true;
}

TextReader::TextReader() : d(std::make_unique<Impl>()) {}

TextReader::~TextReader() {
    close();
}

void TextReader::chunkSizeForTesting(int bytes) {
    chunkSizeSetting = bytes;
}

bool TextReader::open(const QString& path, std::optional<TextEncoding> declared) {
    close();
    d->error = {};
    d->format = {};
    const int chunk = chunkSizeSetting.load();
    d->chunkSize = chunk > 0 ? chunk : DefaultChunkSize;
    d->fd = ::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (d->fd < 0) {
        d->fail(errno);
        return false;
    }
    struct stat st;
    d->fileSize = ::fstat(d->fd, &st) == 0 ? qint64(st.st_size) : 0;
    d->offset = 0;
    d->limited = false;
    d->examining = true;
    const bool examined = d->examine(declared);
    d->examining = false;
    if (!examined) {
        close();
        return false;
    }
    return true;
}

void TextReader::setProgress(ReadProgress progress) {
    d->progress = std::move(progress);
}

void TextReader::setHeadLimit(qint64 bytes) {
    d->limit = bytes;
}

void TextReader::close() {
    if (d->fd >= 0)
        ::close(d->fd);
    d->fd = -1;
    d->decoder.reset();
    d->unixLines = false;
    d->atEnd = false;
    d->rawKept = 0;
    d->textBegin = d->textEnd = d->scanned = 0;
}

const TextFormat& TextReader::format() const {
    return d->format;
}

const FileError& TextReader::error() const {
    return d->error;
}

bool TextReader::readLine(QString& line) {
    if (!d->decoder || d->error.isSet())
        return false;
    const char16_t ending = d->unixLines ? u'\n' : u'\r';
    for (;;) {
        const char16_t* begin = d->text.data() + d->textBegin;
        const qsizetype available = d->textEnd - d->textBegin;
        const QStringView pending(begin, available);
        const qsizetype at = pending.indexOf(QChar(ending), d->scanned);
        if (at >= 0) {
            qsizetype next = at + 1;
            if (!d->unixLines) {
                if (next == available && !d->atEnd) {
                    // The LF that may follow this CR is still in the file.
                    d->scanned = at;
                    if (!d->fill())
                        return false;
                    continue;
                }
                if (next < available && begin[next] == u'\n')
                    ++next;
            }
            line = QString(reinterpret_cast<const QChar*>(begin), at);
            d->textBegin += next;
            d->scanned = 0;
            return true;
        }
        d->scanned = available;
        if (d->atEnd) {
            if (available == 0)
                return false;
            line = QString(reinterpret_cast<const QChar*>(begin), available);
            d->textBegin = d->textEnd;
            d->scanned = 0;
            return true;
        }
        if (!d->fill())
            return false;
    }
}

bool TextReader::readAll(const QString& path, QString& text, FileError* error, TextFormat* format) {
    TextReader reader;
    text.clear();
    if (!reader.open(path)) {
        if (error)
            *error = reader.error();
        return false;
    }
    Impl& d = *reader.d;
    while (!d.atEnd) {
        if (!d.fill()) {
            if (error)
                *error = d.error;
            return false;
        }
        text.append(reinterpret_cast<const QChar*>(d.text.data()), d.textEnd);
        d.textEnd = 0;
    }
    if (format)
        *format = d.format;
    if (error)
        *error = {};
    return true;
}

bool TextReader::readHead(const QString& path, qint64 maxBytes, QString& text, bool& truncated, FileError* error,
                          TextFormat* format) {
    TextReader reader;
    Impl& d = *reader.d;
    text.clear();
    truncated = false;
    // The encoding and line ends are judged from the head alone; the rest of the file is never read.
    d.limit = std::max<qint64>(maxBytes, 4);
    const bool opened = reader.open(path);
    d.limit = -1;
    if (!opened) {
        if (error)
            *error = reader.error();
        return false;
    }
    // Bytes of a character cut at the end of the head stay undecoded, so the text ends on a whole one.
    while (!d.atEnd && d.offset < maxBytes) {
        if (!d.fill()) {
            if (error)
                *error = d.error;
            return false;
        }
        text.append(reinterpret_cast<const QChar*>(d.text.data()), d.textEnd);
        d.textEnd = 0;
    }
    truncated = !d.atEnd && d.offset < d.fileSize;
    if (format)
        *format = d.format;
    if (error)
        *error = {};
    return true;
}
