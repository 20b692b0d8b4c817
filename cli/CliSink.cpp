#include "CliSink.h"

#include "CliStop.h"
#include "JsonRow.h"
#include "TabRow.h"
#include "core/AppState.h"
#include "platform/FileName.h"

#include <QDir>

#include <unistd.h>

CliSink::CliSink(bool showBar, Format format, const AppState& state, std::FILE* rows)
    : m_showBar(showBar && ::isatty(STDERR_FILENO)), m_format(format), m_state(state), m_rows(rows),
      m_rowsToTerminal(::isatty(::fileno(rows))) {}

CliSink::~CliSink() {
    clearBar();
}

void CliSink::ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                             const QString& markKey) {
    if (!text.isEmpty()) {
        clearBar();
        const QByteArray line = rowLine(text, status, reason, markKey);
        std::fwrite(line.constData(), 1, size_t(line.size()), m_rows);
        // A terminal sees each row at once; a pipe or a file gets them in large writes.
        if (m_rowsToTerminal)
            std::fflush(m_rows);
        if (markKey == Mark::Red)
            m_sawRed = true;
    }
    if (percent > 0)
        drawBar(percent);
    else if (percent == -1)
        clearBar();
}

QByteArray CliSink::rowLine(const QString& text, const QString& status, const QString& reason,
                            const QString& markKey) const {
    // Names that are not UTF-8 are printed with their own bytes, as ls prints them.
    if (m_format == Format::Tab)
        return FileName::encode(TabRow::line({text, status, reason, markKey}));
    std::optional<QString> file;
    if (!status.isEmpty())
        file = JsonRow::bytesSafe(QDir::isAbsolutePath(text) ? text : m_state.CurrentFolder + text);
    return JsonRow::object({{"text", text}, {"status", status}, {"reason", reason}, {"mark", markKey}, {"file", file}});
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
