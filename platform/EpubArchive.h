#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>
#include <list>

struct zip;

// The zip container of an e-book, written with libzip: entries are added in reading-system order
// (`mimetype` first and stored), the archive is built in a private scratch folder and then copied to
// its target through AtomicFile, so the target is replaced in one step or not at all. Entries added
// from files are read only when the archive is closed, so memory stays bounded whatever the book's size.
class EpubArchive {
public:
    EpubArchive();
    ~EpubArchive(); // without close(), nothing is written
    EpubArchive(const EpubArchive&) = delete;
    EpubArchive& operator=(const EpubArchive&) = delete;

    // Starts the archive as `scratchPath` (a file in a private folder, which close() replaces).
    bool open(const QString& scratchPath, FileError* error);
    // A small entry held in memory until close(); `stored`: no compression (the `mimetype`).
    bool addBytes(const QByteArray& name, const QByteArray& bytes, bool stored = false);
    // An entry read from `path` when the archive is closed.
    bool addFile(const QByteArray& name, const QString& path);
    // Builds the archive and gives it to `target` (synced with the batch): replacing an existing file
    // when `replace`, else only where no file is (EEXIST when one has appeared).
    bool close(const QString& target, FileError* error, bool replace = true);

    const FileError& error() const { return m_error; }

private:
    bool fail(const QString& what);
    bool copyTo(const QString& target, FileError* error, bool replace);

    zip* m_zip = nullptr;
    QString m_scratchPath;
    std::list<QByteArray> m_held; // the bytes of addBytes() entries, alive until close()
    FileError m_error;
};
