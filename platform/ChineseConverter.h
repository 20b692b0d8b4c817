#pragma once

#include "FileError.h"

#include <QString>
#include <QStringList>
#include <memory>

// Converts one line between Simplified and Traditional Chinese, phrase by phrase, giving exactly what
// OpenCC gives with its t2s and s2tw configurations (s2tw: the Taiwan-standard forms that Big5 holds;
// DictionaryConverter). The tables are loaded once per process on first use and kept. The user's
// phrase files win over the tables (PhraseFile).
class ChineseConverter {
public:
    enum Direction { ToSimplified = 0, ToTraditional = 1 };

    static ChineseConverter& instance();

    // False when the tables could not be loaded or a phrase file could not be read; error() says why.
    // Phrase files that changed since they were read are read again here (once per file converted,
    // so an edit takes effect from the next file on).
    // Safe to call from several threads at once, as convert() is.
    bool isAvailable(Direction direction);
    FileError error() const;
    // The converted line; the line unchanged when the tables are not available.
    QString convert(const QString& line, Direction direction);

    // Where a copy of the built tables is kept between runs (ConverterCache); empty: none. Takes effect
    // for tables not loaded yet.
    void setTableCacheFolder(const QString& folder);

    // The phrase files for one direction, later files winning over earlier ones; files that do not
    // exist add nothing. An empty list: none.
    void setPhraseFiles(Direction direction, const QStringList& files);
    // The phrase files that live in the app folder ("Phrases-s2t.txt", "Phrases-t2s.txt").
    static QString phraseFileName(Direction direction);
    // Both directions: the app folder's phrase file and, when given, one more file after it.
    void usePhraseFiles(const QString& appFolder, const QString& extraFile = QString());

    ~ChineseConverter();

private:
    ChineseConverter();
    struct Impl;
    std::unique_ptr<Impl> d;
};
