#pragma once

#include "FileError.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

// Converts one line between Simplified and Traditional Chinese, phrase by phrase, giving exactly what
// OpenCC gives with its t2s and s2tw configurations (s2tw: the Taiwan-standard forms that Big5 holds;
// DictionaryConverter). The tables are loaded once per process on first use and kept. The user's
// phrase files win over the tables (PhraseFile).
class DictionaryConverter;
class PhraseTrie;

class ChineseConverter {
public:
    enum Direction { ToSimplified = 0, ToTraditional = 1 };

    // One direction's tables with the phrase files as they were read last: converts line after line
    // without taking a lock, from any number of threads at once. It keeps the phrases it was made
    // with, whatever is read later. Made from tables that are not available it copies the text.
    class Lines {
    public:
        // Appends the conversion of `line` to `out`.
        void convert(QStringView line, std::u16string& out) const;

    private:
        friend class ChineseConverter;
        const DictionaryConverter* m_tables = nullptr;
        std::shared_ptr<const PhraseTrie> m_phrases;
    };

    static ChineseConverter& instance();

    // False when the tables could not be loaded or a phrase file could not be read; error() says why.
    // Phrase files that changed since they were read are read again here (once per file converted,
    // so an edit takes effect from the next file on).
    // Safe to call from several threads at once, as convert() is.
    bool isAvailable(Direction direction);
    FileError error() const;
    // The converted line; the line unchanged when the tables are not available.
    QString convert(const QString& line, Direction direction);
    // For many lines in a row (a file): the tables and phrases of `direction` as they stand now.
    Lines lines(Direction direction);

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
