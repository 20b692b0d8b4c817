// textio_bench: streams a text file through TextReader and TextWriter, decoding every line and writing
// it back in the source's format, so that the speed and the peak memory of the text layer can be set
// beside cat and iconv. Prints the lines, bytes, seconds and MB/s on one line.
//
//   textio_bench SOURCE TARGET

#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: textio_bench SOURCE TARGET\n", stderr);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);

    QElapsedTimer clock;
    clock.start();
    TextReader reader;
    if (!reader.open(source)) {
        std::fprintf(stderr, "textio_bench: %s: %s\n", argv[1], qPrintable(reader.error().description));
        return 1;
    }
    TextWriter writer;
    if (!writer.open(target, reader.format())) {
        std::fprintf(stderr, "textio_bench: %s: %s\n", argv[2], qPrintable(writer.error().description));
        return 1;
    }
    QString line;
    qint64 lines = 0;
    while (reader.readLine(line)) {
        writer.writeLine(line);
        ++lines;
    }
    if (reader.error().isSet()) {
        std::fprintf(stderr, "textio_bench: %s: %s\n", argv[1], qPrintable(reader.error().description));
        return 1;
    }
    if (!writer.commit()) {
        std::fprintf(stderr, "textio_bench: %s: %s\n", argv[2], qPrintable(writer.error().description));
        return 1;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 bytes = QFileInfo(source).size();
    std::printf("%s lines=%lld bytes=%lld seconds=%.3f MB/s=%.1f\n", qPrintable(encodingName(reader.format().encoding)),
                static_cast<long long>(lines), static_cast<long long>(bytes), seconds, bytes / 1e6 / seconds);
    return 0;
}
