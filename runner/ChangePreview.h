#pragma once

#include "BatchRunner.h"

#include <QString>
#include <QStringList>

class AppState;

// One file before and after a command, as decoded lines, for the preview window. Only the first
// `maxCharacters` or so of a big file are taken (whole lines, written in the file's own encoding),
// so the preview stays quick. The command runs on a copy in a private temporary folder: the file and
// its folder are only read.
struct ChangePreview {
    QStringList before;
    QStringList after;
    bool partial = false; // only the beginning of the file was taken
    QString error;        // why there is no preview ("" when there is one)

    static ChangePreview of(const AppState& state, BatchCommand command, int direction, const QString& path,
                            qsizetype maxCharacters = 200000);
};
