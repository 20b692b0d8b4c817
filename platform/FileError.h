#pragma once

#include <QString>

// The platform's own report of a failed file operation: the error number (errno here) and its text.
// Rows of the progress window show it as "错误" + number, with the description as the reason.
struct FileError {
    int number = 0;
    QString description;

    bool isSet() const { return number != 0; }
    static FileError fromErrno(int errnoValue);
    // For failures that have no errno of their own (a decoder refusing its input, a library error).
    static FileError withText(int errnoValue, const QString& text);
    // The work was stopped on request before it was complete; nothing was changed.
    static FileError stopped();
    // Another job (of this run or another) works on the same file; or the file changed since the job
    // read it. Either way the other job's content is kept.
    static FileError busy();
    static FileError changedMeanwhile();
    bool isStopped() const;
};
