#pragma once

#include "core/ProgressSink.h"

#include <cstdio>

// Prints every row as one line on standard output, "text TAB status TAB reason TAB mark" (UTF-8,
// LF), and draws the percentage as a bar on standard error when that is a terminal.
class CliSink : public ProgressSink {
public:
    explicit CliSink(bool showBar);
    ~CliSink() override;

    void ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                        const QString& markKey) override;

    // Once SIGINT or SIGTERM came (CliStop).
    bool stopRequested() const override;

    bool sawRedRow() const { return m_sawRed; }

private:
    void drawBar(int percent);
    void clearBar();

    bool m_showBar;
    bool m_stdoutIsTerminal;
    bool m_barVisible = false;
    bool m_sawRed = false;
};
