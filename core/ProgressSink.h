#pragma once

#include <QString>

// Where a batch reports its rows: the progress window, the command line, or a test recorder.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // percent: 1..100 moves the bar, 0 adds a row without moving it, -1 completes the batch.
    // A row is added only when `text` is not empty. markKey: "red", "yellow", "blue" or "".
    virtual void ReportProgress(int percent, const QString& text, const QString& status, const QString& reason,
                                const QString& markKey) = 0;
    // Lets pending window events run once (so the progress window repaints between files).
    virtual void processEvents() {}
    // True once the user asked the batch to stop (the progress window's stop button, a signal to the
    // command line). Batches look at it at their safe points: between files, and between the lines
    // of a file, whose target is then left exactly as it was.
    virtual bool stopRequested() const { return false; }
    // How often, inside one large file, the bar moves and events run (WorkPulse); tests use 0.
    virtual int pulseIntervalMs() const { return 50; }
};

// Mark keys of the result rows.
namespace Mark {
inline const QString Red = QStringLiteral("red");
inline const QString Yellow = QStringLiteral("yellow");
inline const QString Blue = QStringLiteral("blue");
} // namespace Mark
