#pragma once

#include "BatchRunner.h"

#include <QString>
#include <QStringList>

class AppState;

// One file before and after a command, as decoded lines, for the preview window. Only the first
// `maxCharacters` or so of a big file are taken (whole lines, written in the file's own encoding
// to a temporary copy outside the folder tree and the app folder), so the preview stays quick.
struct ChangePreview {
    QStringList before;
    QStringList after;
    bool partial = false; // only the beginning of the file was taken
    QString error;        // why there is no preview ("" when there is one)

    static ChangePreview of(const AppState& state, BatchCommand command, int direction, const QString& path,
                            qsizetype maxCharacters = 200000);
};
