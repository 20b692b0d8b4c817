#include "CliSink.h"

#include "CliStop.h"
#include "JsonRow.h"
#include "TabRow.h"
#include "platform/FileName.h"

#include <unistd.h>

CliSink::CliSink(bool showBar, Format format, std::FILE* rows)
    : m_showBar(showBar && ::isatty(STDERR_FILENO)), m_format(format), m_rows(rows),
      m_rowsToTerminal(::isatty(::fileno(rows))) {}

CliSink::~CliSink() {
    clearBar();
}

void CliSink::ReportProgress(int percent, const ResultRow& row) {
    if (!row.text.isEmpty()) {
        clearBar();
        const QByteArray line = rowLine(row);
        std::fwrite(line.constData(), 1, size_t(line.size()), m_rows);
        // A terminal sees each row at once; a pipe or a file gets them in large writes.
        if (m_rowsToTerminal)
            std::fflush(m_rows);
        if (Outcomes::isFailure(row.outcome))
            m_sawFailure = true;
    }
    if (percent > 0)
        drawBar(percent);
    else if (percent == -1)
        clearBar();
}

QByteArray CliSink::rowLine(const ResultRow& row) const {
    const QString mark = row.markKey();
    // Names that are not UTF-8 are printed with their own bytes, as ls prints them.
    if (m_format == Format::Tab)
        return FileName::encode(TabRow::line({row.text, row.status, row.reason, mark}));
    std::optional<QString> file;
    if (!row.file.isEmpty())
        file = JsonRow::bytesSafe(row.file);
    return JsonRow::object(
        {{"text", row.text}, {"status", row.status}, {"reason", row.reason}, {"mark", mark}, {"file", file}});
}

void CliSink::drawBar(int percent) {
    if (!m_showBar)
        return;
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(),
                 QByteArray(width - filled, ' ').constData(), percent);
    std::fflush(stderr);
    m_barVisible = true;
}

void CliSink::clearBar() {
    if (!m_barVisible)
        return;
    std::fprintf(stderr, "\r%*s\r", 48, "");
    std::fflush(stderr);
    m_barVisible = false;
}

bool CliSink::stopRequested() const {
    return CliStop::signalNumber() != 0;
}
