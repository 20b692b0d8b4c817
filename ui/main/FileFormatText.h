#pragma once

#include "platform/TextFormat.h"

#include <QCoreApplication>
#include <QString>

// What the file list's "编码" and "换行" columns show for one file: the encoding and line ends that
// the commands would read it with (TextReader's detection with the program's decoding rules), or,
// for a file they would refuse, the reason in the encoding column ("不是文本文件") and nothing in the
// other. Reads the whole file.
struct FileFormatText {
    Q_DECLARE_TR_FUNCTIONS(FileFormatText)
public:
    QString encoding;
    QString lineEnd;

    static FileFormatText of(const QString& path);

private:
    static QString lineEndName(LineEnd lineEnd);
};
