#pragma once

#include "FileError.h"

#include <QString>
#include <memory>

// Converts one line between Simplified and Traditional Chinese, phrase by phrase, with OpenCC's
// t2s tables and its Taiwan-standard s2tw tables (the forms Big5 holds). The tables are loaded once per process on
// first use and kept.
class ChineseConverter {
public:
    enum Direction { ToSimplified = 0, ToTraditional = 1 };

    static ChineseConverter& instance();

    // False when the tables could not be loaded; error() says why.
    bool isAvailable(Direction direction);
    const FileError& error() const;
    // The converted line; the line unchanged when the tables are not available.
    QString convert(const QString& line, Direction direction);

    ~ChineseConverter();

private:
    ChineseConverter();
    struct Impl;
    std::unique_ptr<Impl> d;
};
