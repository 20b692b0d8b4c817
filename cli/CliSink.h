#pragma once

#include "core/ProgressSink.h"

#include <QString>
#include <cstdio>


// Prints every row as one line on standard output, "text TAB status TAB reason TAB mark" (UTF-8,
// LF; TAB, CR, LF and backslash inside a field written as \t, \r, \n, \\: see TabRow), or as one JSON object {"text",
// "status", "reason", "mark", "file"} (see JsonRow): "file" is the row's file (ResultRow::file), bytes-safe, and null
// for rows about no file (stage titles, the total time, batch numbers). Draws the percentage as a bar on standard
// error when that is a terminal. Rows go to `rows` (standard output, or standard error where standard output carries
// something else, a diff). A row with a failing outcome (Outcomes::isFailure) makes the run fail.
class CliSink : public ProgressSink {
public:
    enum class Format { Tab, Json };

    CliSink(bool showBar, Format format, std::FILE* rows = stdout);
    ~CliSink() override;

    void ReportProgress(int percent, const ResultRow& row) override;

    // Once SIGINT or SIGTERM came (CliStop).
    bool stopRequested() const override;

    // True once a row said that a file was not done (Outcomes::isFailure): the exit status is then 1.
    bool sawFailure() const { return m_sawFailure; }

private:
    void drawBar(int percent);
    void clearBar();

    QByteArray rowLine(const ResultRow& row) const;

    bool m_showBar;
    Format m_format;
    std::FILE* m_rows;
    bool m_rowsToTerminal;
    bool m_barVisible = false;
    bool m_sawFailure = false;
};
