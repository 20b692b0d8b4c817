// convert_bench: the Simplified/Traditional tables against OpenCC's own, per configuration: the load
// time (OpenCC's converter; the program's tables built through OpenCC with no cache, then from the
// cache copy), the tables' size, and the conversion of a UTF-8 text file line by line (CPU time, so
// that other processes on the machine count less). Prints one line per configuration.
//
//   convert_bench TEXT CONFIG...        e.g. convert_bench novel-utf8.txt s2tw.json t2s.json

#include "platform/ConverterCache.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <opencc/SimpleConverter.hpp>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: convert_bench TEXT CONFIG...\n", stderr);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "convert_bench: %s: cannot open\n", argv[1]);
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    QTemporaryDir cache;
    std::printf("%-12s %10s %10s %10s %9s %10s %10s\n", "config", "OpenCC ms", "build ms", "cached ms", "tables MB",
                "MB/s (CPU)", "ns/char");
    for (int i = 2; i < argc; ++i) {
        const std::string config = std::string("/usr/share/opencc/") + argv[i];
        double start = cpuSeconds();
        { const opencc::SimpleConverter opencc(config); }
        const double openccMs = (cpuSeconds() - start) * 1000;

        FileError error;
        bool fromCache = false;
        start = cpuSeconds();
        auto built = ConverterCache::load(config, cache.path(), &error, &fromCache);
        const double buildMs = (cpuSeconds() - start) * 1000;
        start = cpuSeconds();
        auto cached = ConverterCache::load(config, cache.path(), &error, &fromCache);
        const double cachedMs = (cpuSeconds() - start) * 1000;
        if (!built || !cached || !fromCache) {
            std::fprintf(stderr, "convert_bench: %s: %s\n", argv[i], qPrintable(error.description));
            return 1;
        }

        std::u16string out;
        qint64 characters = 0;
        start = cpuSeconds();
        for (const QString& line : lines) {
            out.clear();
            cached->convert(
                std::u16string_view(reinterpret_cast<const char16_t*>(line.constData()), std::size_t(line.size())),
                nullptr, out);
            characters += line.size();
        }
        const double seconds = cpuSeconds() - start;
        std::printf("%-12s %10.1f %10.1f %10.1f %9.1f %10.1f %10.1f\n", argv[i], openccMs, buildMs, cachedMs,
                    double(cached->memoryBytes()) / 1e6, double(bytes.size()) / 1e6 / seconds,
                    seconds * 1e9 / double(characters));
    }
    return 0;
}
