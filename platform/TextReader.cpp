#include "TextReader.h"

#include "LineBreak.h"

#include "EncodingDetector.h"
#include "RegularFile.h"
#include "TextDecoder.h"

#include <QCoreApplication>
#include <QStringView>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int DefaultChunkSize = 64 * 1024;
std::atomic<int> chunkSizeSetting{0};

std::mutex rulesMutex;
DecodingRules programRules;

// What a caller or the user names without a BOM in the file: the BOM-less form of that encoding.
TextEncoding withoutBom(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return TextEncoding::Utf8;
    case TextEncoding::Utf16LE:
        return TextEncoding::Utf16LENoBom;
    case TextEncoding::Utf16BE:
        return TextEncoding::Utf16BENoBom;
    default:
        return encoding;
    }
}

// The length of the byte order mark that a file read in `encoding` starts with.
qsizetype bomSizeOf(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return 3;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return 2;
    default:
        return 0;
    }
}

// The reader's byte buffer. Unlike a vector it is not cleared when it is made: a reader opened for
// every one of thousands of small files would spend more on clearing it than on reading them.
class RawBuffer {
public:
    uchar* data() { return m_bytes.get(); }
    size_t size() const { return m_size; }
    // Holds `size` bytes from now on, of no particular content.
    void allocate(size_t size) {
        if (size == m_size)
            return;
        m_bytes = std::make_unique_for_overwrite<uchar[]>(size);
        m_size = size;
    }

private:
    std::unique_ptr<uchar[]> m_bytes;
    size_t m_size = 0;
};

// Which line ends a file's text holds, seen piece by piece: a CR that ends one piece and an LF that
// starts the next are one CR LF.
struct LineEndsSeen {
    bool cr = false;
    bool lf = false;
    bool crLf = false;
    bool crLast = false; // the last character seen is a CR

    // Once a CR LF is seen, nothing later changes the file's line end.
    bool settled() const { return crLf; }
    LineEnd verdict() const { return lineEndOf(cr, lf, crLf); }

    // Bytes of a byte encoding, where CR and LF bytes are never part of another character.
    void scanBytes(const uchar* p, qsizetype size) {
        if (size <= 0 || crLf)
            return;
        if (crLast && p[0] == '\n') {
            lf = crLf = true;
            return;
        }
        crLast = false;
        lf = lf || std::memchr(p, '\n', size_t(size)) != nullptr;
        const uchar* end = p + size;
        for (const uchar* at = p; (at = static_cast<const uchar*>(std::memchr(at, '\r', size_t(end - at)))); ++at) {
            cr = true;
            if (at + 1 == end) {
                crLast = true;
                return;
            }
            if (at[1] == '\n') {
                crLf = lf = true;
                return;
            }
        }
    }

    void scanUnit(char16_t unit) {
        if (unit == u'\n') {
            lf = true;
            crLf = crLf || crLast;
        }
        cr = cr || unit == u'\r';
        crLast = unit == u'\r';
    }
};

// Finds CR and LF code units in UTF-16 text (a 0x0D byte inside another unit is no line end).
struct WideLineEnds {
    bool bigEndian = false;
    LineEndsSeen seen;

    // Looks at the whole units of p[0..size) and returns how many bytes that was.
    qsizetype scan(const uchar* p, qsizetype size) {
        const qsizetype used = size & ~qsizetype(1);
        const int high = bigEndian ? 0 : 1;
        for (qsizetype i = 0; i < used; i += 2)
            seen.scanUnit(char16_t(p[i + high] << 8 | p[i + 1 - high]));
        return used;
    }
};

// Copies a line's text into `line`, into the room it already has when it has enough: a caller that
// reads every line into one string makes no allocation a line.
void takeLine(QString& line, const char16_t* text, qsizetype size) {
    line.resize(size);
    std::memcpy(static_cast<void*>(line.data()), text, size_t(size) * sizeof(char16_t));
}

} // namespace

struct TextReader::Impl {
    int fd = -1;
    int chunkSize = DefaultChunkSize;
    TextFormat format;
    FileError error;
    std::optional<TextDecoder> decoder;
    bool unixLines = false;
    bool atEnd = false;
    std::optional<LineEnd> lineEnd; // the end of the line readLine() gave last, if it had one

    RawBuffer raw; // bytes read but not yet decoded sit at the front
    qsizetype rawKept = 0;
    std::vector<char16_t> text; // decoded text; [textBegin, textEnd) not yet handed out
    qsizetype textBegin = 0;
    qsizetype textEnd = 0;
    qsizetype scanned = 0; // how far past textBegin the search for a line end has looked

    ReadProgress progress;
    qint64 fileSize = 0;
    qint64 offset = 0;               // where the next read starts
    qint64 limit = -1;               // when not negative, reads end here as if the file did
    bool examining = false;          // open()'s look at the file reports no progress of its own
    bool limited = false;            // a read ended at `limit` rather than at the end of the file
    bool acceptControlBytes = false; // see setAcceptControlBytes()
    FileIdentity identity;           // of the file as it was opened

    void fail(int errnoValue) {
        error = FileError::fromErrno(errnoValue);
        atEnd = true;
    }

    // Opens the file for reading, a regular file only, and notes its size.
    bool openFile(const QString& path) {
        const RegularFile::Opened opened = RegularFile::openForReading(path);
        if (opened.fd < 0) {
            error = opened.error;
            atEnd = true;
            return false;
        }
        fd = opened.fd;
        fileSize = opened.size;
        struct stat st;
        identity = ::fstat(fd, &st) == 0 ? FileIdentity::of(st) : FileIdentity{};
        return true;
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
        if (fd < 0)
            return 0; // reopened from bytes held in memory: they are all in `raw` already
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

    bool examine(std::optional<TextEncoding> declared, const DecodingRules& rules);
    bool scanWide(WideLineEnds& ends, qsizetype kept, bool keepStart);
    bool fill();
};

// Looks at the `kept` bytes at the front of `raw` and reads on from the file position, until the end
// of the file or the first CR LF (after which nothing can change the line end).
bool TextReader::Impl::scanWide(WideLineEnds& ends, qsizetype kept, bool keepStart) {
    for (;;) {
        const qsizetype used = ends.scan(raw.data(), kept);
        if (ends.seen.settled()) {
            // Whether the bytes seen are the whole file decides if it must be read again.
            if (keepStart && qsizetype(start.size()) <= chunkSize) {
                uchar probe;
                const qsizetype more = readBytes(&probe, 1);
                if (more < 0)
                    return false;
                remember(&probe, more);
                startIsWhole = more == 0 && !limited;
            }
            return true;
        }
        kept -= used;
        std::memmove(raw.data(), raw.data() + used, size_t(kept));
        const qsizetype got = readBytes(raw.data() + kept, chunkSize);
        if (got < 0)
            return false;
        if (keepStart)
            remember(raw.data() + kept, got);
        if (got == 0) {
            startIsWhole = keepStart && !limited && qsizetype(start.size()) <= chunkSize;
            return true;
        }
        kept += got;
    }
}

bool TextReader::Impl::examine(std::optional<TextEncoding> declared, const DecodingRules& rules) {
    raw.allocate(size_t(chunkSize) + 8);
    start.clear();
    startIsWhole = false;
    // The first piece, with at least the three bytes a byte order mark needs however small the pieces
    // (a small file is then read whole by this one read).
    const qsizetype firstPiece = std::max(chunkSize, 3);
    qsizetype headSize = 0;
    while (headSize < 3) {
        const qsizetype got = readBytes(raw.data() + headSize, firstPiece - headSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        headSize += got;
    }
    remember(raw.data(), headSize);
    const uchar* head = raw.data();
    qsizetype bomSize = 0;
    std::optional<TextEncoding> known;
    if (headSize >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        known = TextEncoding::Utf8Bom;
        bomSize = 3;
    } else if (headSize >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        known = TextEncoding::Utf16LE;
        bomSize = 2;
    } else if (headSize >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        known = TextEncoding::Utf16BE;
        bomSize = 2;
    } else if (declared) {
        known = withoutBom(*declared);
    } else if (rules.forced) {
        known = withoutBom(*rules.forced);
    }

    const qsizetype kept = headSize - bomSize;
    std::memmove(raw.data(), raw.data() + bomSize, size_t(kept));
    LineEndsSeen lineEnds;
    if (known && isUtf16(*known)) {
        WideLineEnds ends{!isLittleEndian(*known), {}};
        if (!scanWide(ends, kept, true))
            return false;
        format.encoding = *known;
        lineEnds = ends.seen;
    } else {
        // One pass over the whole file: whether it is text, and in which encoding.
        EncodingDetector detector;
        if (fileSize > 0)
            detector.expectSize((limit >= 0 ? std::min(limit, fileSize) : fileSize) - bomSize);
        detector.feed(raw.data(), kept);
        lineEnds.scanBytes(raw.data(), kept);
        for (;;) {
            // A file that cannot be text any more is refused without reading the rest (a large file
            // of NULs is refused after its head).
            if (!acceptControlBytes && (known ? detector.hasControlBytes() : detector.provenNotText())) {
                error = notTextError();
                return false;
            }
            const qsizetype got = readBytes(raw.data(), chunkSize);
            if (got < 0)
                return false;
            if (got == 0)
                break;
            remember(raw.data(), got);
            detector.feed(raw.data(), got);
            lineEnds.scanBytes(raw.data(), got);
        }
        detector.finish();
        startIsWhole = !limited && qsizetype(start.size()) <= chunkSize;
        const std::optional<TextEncoding> found =
            known ? (detector.hasControlBytes() && !acceptControlBytes ? std::nullopt : known)
                  : detector.verdict(rules.fallback);
        if (!found) {
            error = detector.hasControlBytes() ? notTextError() : unknownEncodingError();
            return false;
        }
        format.encoding = *found;
        if (isUtf16(*found)) {
            // The byte scan saw CR and LF bytes, which in UTF-16 can be halves of other characters.
            WideLineEnds ends{*found == TextEncoding::Utf16BENoBom, {}};
            if (startIsWhole) {
                ends.scan(start.data(), qsizetype(start.size()));
            } else if (!seek(0) || !scanWide(ends, 0, false)) {
                return false;
            }
            lineEnds = ends.seen;
        }
    }
    format.lineEnd = lineEnds.verdict();
    unixLines = format.lineEnd == LineEnd::Lf;
    if (startIsWhole) {
        // The file is at its end already: decoding starts from the bytes in memory.
        rawKept = qsizetype(start.size()) - bomSize;
        if (rawKept > 0)
            std::memcpy(raw.data(), start.data() + bomSize, size_t(rawKept));
    } else if (!seek(bomSize)) {
        return false;
    }
    decoder.emplace(format.encoding);
    return true;
}

bool TextReader::Impl::fill() {
    if (textBegin > 0) {
        std::memmove(text.data(), text.data() + textBegin, size_t(textEnd - textBegin) * sizeof(char16_t));
        textEnd -= textBegin;
        textBegin = 0;
    }
    // The bytes kept may fill most of the buffer (a file that grew after examine() had it all in one
    // piece): read only what fits behind them.
    const qsizetype got = readBytes(raw.data() + rawKept, qsizetype(raw.size()) - rawKept);
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
    return open(path, declared, decodingRules());
}

bool TextReader::open(const QString& path, std::optional<TextEncoding> declared, const DecodingRules& rules) {
    close();
    d->error = {};
    d->format = {};
    const int chunk = chunkSizeSetting.load();
    d->chunkSize = chunk > 0 ? chunk : DefaultChunkSize;
    if (!d->openFile(path))
        return false;
    d->offset = 0;
    d->limited = false;
    d->examining = true;
    const bool examined = d->examine(declared, rules);
    d->examining = false;
    if (!examined) {
        close();
        return false;
    }
    return true;
}

bool TextReader::reopen(const QString& path, const TextFormat& format, QByteArrayView whole) {
    close();
    d->error = {};
    d->format = format;
    const int chunk = chunkSizeSetting.load();
    d->chunkSize = chunk > 0 ? chunk : DefaultChunkSize;
    d->raw.allocate(size_t(d->chunkSize) + 8);
    d->offset = 0;
    d->limited = false;
    const qsizetype bomSize = bomSizeOf(format.encoding);
    if (!whole.isEmpty() && whole.size() >= bomSize && whole.size() - bomSize <= d->chunkSize) {
        d->fileSize = whole.size();
        d->offset = whole.size();
        d->rawKept = whole.size() - bomSize;
        std::memcpy(d->raw.data(), whole.data() + bomSize, size_t(d->rawKept));
    } else {
        if (!d->openFile(path))
            return false;
        if (bomSize > 0 && !d->seek(bomSize)) {
            close();
            return false;
        }
    }
    d->unixLines = format.lineEnd == LineEnd::Lf;
    d->decoder.emplace(format.encoding);
    return true;
}

QByteArrayView TextReader::wholeFile() const {
    if (!d->decoder || !d->startIsWhole)
        return {};
    return QByteArrayView(reinterpret_cast<const char*>(d->start.data()), qsizetype(d->start.size()));
}

void TextReader::setDecodingRules(const DecodingRules& rules) {
    const std::lock_guard lock(rulesMutex);
    programRules = rules;
}

DecodingRules TextReader::decodingRules() {
    const std::lock_guard lock(rulesMutex);
    return programRules;
}

FileError TextReader::notTextError() {
    return FileError::withText(EILSEQ, QCoreApplication::translate("TextReader", "不是文本文件"));
}

FileError TextReader::unknownEncodingError() {
    return FileError::withText(EILSEQ, QCoreApplication::translate("TextReader", "无法判断文件的编码"));
}

void TextReader::setProgress(ReadProgress progress) {
    d->progress = std::move(progress);
}

void TextReader::setAcceptControlBytes(bool accept) {
    d->acceptControlBytes = accept;
}

void TextReader::setHeadLimit(qint64 bytes) {
    d->limit = bytes;
}

void TextReader::close() {
    if (d->fd >= 0)
        ::close(d->fd);
    d->fd = -1;
    d->decoder.reset();
    d->startIsWhole = false;
    d->unixLines = false;
    d->atEnd = false;
    d->rawKept = 0;
    d->textBegin = d->textEnd = d->scanned = 0;
}

const TextFormat& TextReader::format() const {
    return d->format;
}

FileIdentity TextReader::identity() const {
    return d->identity;
}

const FileError& TextReader::error() const {
    return d->error;
}

bool TextReader::readLine(QString& line) {
    if (!d->decoder || d->error.isSet())
        return false;
    for (;;) {
        const char16_t* begin = d->text.data() + d->textBegin;
        const qsizetype available = d->textEnd - d->textBegin;
        const LineBreak lineBreak = findLineBreak(begin, available, d->scanned, d->unixLines, d->atEnd);
        if (lineBreak.kind == LineBreak::Found) {
            takeLine(line, begin, lineBreak.at);
            d->lineEnd = begin[lineBreak.at] == u'\n'         ? LineEnd::Lf
                         : lineBreak.next - lineBreak.at == 2 ? LineEnd::CrLf
                                                              : LineEnd::Cr;
            d->textBegin += lineBreak.next;
            d->scanned = 0;
            return true;
        }
        d->scanned = lineBreak.resumeFrom;
        if (lineBreak.kind == LineBreak::NeedMore) {
            // The LF that may follow this CR is still in the file.
            if (!d->fill())
                return false;
            continue;
        }
        if (d->atEnd) {
            if (available == 0)
                return false;
            takeLine(line, begin, available);
            d->textBegin = d->textEnd;
            d->scanned = 0;
            d->lineEnd.reset();
            return true;
        }
        if (!d->fill())
            return false;
    }
}

bool TextReader::lineEnded() const {
    return d->lineEnd.has_value();
}

std::optional<LineEnd> TextReader::endOfLine() const {
    return d->lineEnd;
}

bool TextReader::readRaw(QByteArrayView& piece) {
    if (!d->decoder || d->error.isSet())
        return false;
    if (d->rawKept > 0) {
        piece = QByteArrayView(reinterpret_cast<const char*>(d->raw.data()), d->rawKept);
        d->rawKept = 0;
        return true;
    }
    if (d->atEnd)
        return false;
    const qsizetype got = d->readBytes(d->raw.data(), qsizetype(d->raw.size()));
    if (got <= 0) {
        d->atEnd = true;
        return false;
    }
    piece = QByteArrayView(reinterpret_cast<const char*>(d->raw.data()), got);
    return true;
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
