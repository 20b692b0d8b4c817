#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Helpers shared by the fuzz drivers: taking fuzz input apart, a scratch folder, and a check that
// stops the run with a message (libFuzzer then saves the input that broke it).

#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "\nFUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                 \
            std::fprintf(stderr, __VA_ARGS__);                                                                         \
            std::fprintf(stderr, "\n");                                                                                \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace Fuzz {

// Takes the fuzz input apart from the front.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t left() const { return m_size - m_pos; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t number() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return value;
    }
    // Up to `most` bytes.
    QByteArray bytes(size_t most) {
        const size_t count = std::min(most, left());
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(count));
        m_pos += count;
        return out;
    }
    // The bytes up to the next `separator` (which is consumed) or the end.
    QByteArray until(uint8_t separator) {
        const size_t from = m_pos;
        while (m_pos < m_size && m_data[m_pos] != separator)
            ++m_pos;
        QByteArray out(reinterpret_cast<const char*>(m_data + from), qsizetype(m_pos - from));
        if (m_pos < m_size)
            ++m_pos;
        return out;
    }
    QByteArray rest() { return bytes(left()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Text from fuzz bytes. `raw` reads them as UTF-16LE code units, so that lone surrogates and every
// other unit reach the code; otherwise they are read as UTF-8, which keeps seed files readable.
inline QString text(const QByteArray& bytes, bool raw) {
    if (!raw)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

// A folder of this process for the files a driver needs; removed when the process ends.
inline const std::string& scratchFolder() {
    static const std::string folder = [] {
        // Memory-backed when possible: the writer syncs every file it commits.
        const char* base = std::getenv("TMPDIR");
        if (::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmar-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        // The handler runs after this string is destroyed (it was registered before the string was
        // made): it removes the folder through a copy of the path that is never destroyed.
        static char removeAtExit[4096];
        std::snprintf(removeAtExit, sizeof removeAtExit, "%s", pattern.c_str());
        std::atexit([] { ::nftw(removeAtExit, removeEntry, 16, FTW_DEPTH | FTW_PHYS); });
        return pattern;
    }();
    return folder;
}

inline QString scratchPath(const char* name) {
    return QString::fromStdString(scratchFolder()) + u'/' + QLatin1String(name);
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    FILE* file = std::fopen(path.toUtf8().constData(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size());
    return std::fclose(file) == 0 && ok;
}

inline QByteArray readFile(const std::string& path) {
    QByteArray out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return QByteArray("<missing>");
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, qsizetype(got));
    std::fclose(file);
    return out;
}

inline QByteArray readFile(const QString& path) {
    return readFile(path.toUtf8().toStdString());
}

inline std::string hex(const QByteArray& bytes) {
    return bytes.left(400).toHex(' ').toStdString();
}

inline std::string shown(const QString& text) {
    std::string out;
    for (QChar c : text.left(300)) {
        char buffer[16];
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            out += char(c.unicode());
        else {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c.unicode());
            out += buffer;
        }
    }
    return out;
}

} // namespace Fuzz
