#pragma once

#include "core/ProgressSink.h"

#include <QString>
#include <cstdio>

class AppState;

// Prints every row as one line on standard output, "text TAB status TAB reason TAB mark" (UTF-8,
// LF; TAB, CR, LF and backslash inside a field written as \t, \r, \n, \\: see TabRow), or as one JSON object {"text",
// "status", "reason", "mark", "file"} (see JsonRow): "file" is the full path of the row's file, bytes-safe, for rows
// that have a status (file rows) and null for the others (stage titles, the total time); names are taken in the state's
// CurrentFolder. Draws the percentage as a bar on standard error when that is a terminal. Rows go to
// `rows` (standard output, or standard error where standard output carries something else, a diff).
class CliSink : public ProgressSink {
public:
    enum class Format { Tab, Json };

    CliSink(bool showBar, Format format, const AppState& state, std::FILE* rows = stdout);
    ~CliSink() override;

    void ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                        const QString& markKey) override;

    // Once SIGINT or SIGTERM came (CliStop).
    bool stopRequested() const override;

    bool sawRedRow() const { return m_sawRed; }

private:
    void drawBar(int percent);
    void clearBar();

    QByteArray rowLine(const QString& text, const QString& status, const QString& reason, const QString& markKey) const;

    bool m_showBar;
    Format m_format;
    const AppState& m_state;
    std::FILE* m_rows;
    bool m_rowsToTerminal;
    bool m_barVisible = false;
    bool m_sawRed = false;
};
