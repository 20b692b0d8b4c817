#pragma once

#include "FileError.h"
#include "FileState.h"
#include "TextFormat.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Writes a text file in a given format and replaces the target atomically (AtomicFile): nothing
// reaches the target path before commit(); commit() flushes, syncs and gives the new file the
// target's name, keeping an existing target's permission bits (and its owner and group where the
// process may set them) and writing through a symbolic link to its target. On any failure the old
// file stays as it was and no temporary file is left behind. Within a batch the sync is the batch's
// one sync at its end (DurableWrites).
//
// A writer never takes a file from someone else: an existing target the user may not write is
// refused at open() (EACCES, FileOps::mayRewrite), never made writable; while the writer is open it
// holds an advisory lock (flock) on the existing target, and open() fails when another writer holds
// it ("文件正由另一个任务处理"); and commit() replaces the target only while it is still the file
// found at open(), or given to expectTarget() (same device, inode, size and modification time),
// else fails with "文件在处理时被另一个程序更改" and leaves it. A target that did not exist is created
// only where nothing has appeared meanwhile (EEXIST).
//
// A result that is byte for byte the existing target leaves the target alone (its date stays):
// commit() succeeds and unchanged() tells. Before an existing target is replaced by a different
// content, the hook given to setBeforeReplace() runs (the job frame backs the old file up there); a
// hook that fails stops the commit and the target stays as it was.
//
// Escaped bytes from TextReader are written back as the original bytes. A character the target
// encoding cannot hold (Big5 has no room for many) is written as "?" and counted; callers that must not
// lose it check unmappableCount() and cancel() instead of committing.
class TextWriter {
public:
    TextWriter();
    ~TextWriter(); // without commit(), the target is left untouched
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    bool open(const QString& path, const TextFormat& format);
    const TextFormat& format() const;

    // Text as it stands; a "\r\n" inside is written as the format's line end ("\r\n", "\n" or "\r").
    void write(QStringView text);
    // The line followed by the format's line end.
    void writeLine(QStringView line);
    void writeLineEnd();
    // Bytes already in the target encoding, written as they stand: no line-end translation, no BOM.
    void writeRaw(QByteArrayView bytes);

    // Set after open(): the target is the file a reader read as `asRead` (TextReader::identity()), and
    // is replaced only while it is still exactly that file. open() clears it.
    void expectTarget(const FileIdentity& asRead);
    // Set after open(); open() clears it.
    void setBeforeReplace(std::function<bool(FileError& error)> hook);
    // Big5: text read from a Big5 file, whose extension characters (HKSCS and others outside plain
    // Big5) may then be written back under their own codes. Call it before writing that text.
    void keepExtensionCodesOf(QStringView sourceText);

    bool commit();
    void cancel();
    // After a successful commit(): true when the target already held exactly this content.
    bool unchanged() const;

    // Of the file being written, or of the last one once it is committed or cancelled.
    int unmappableCount() const;
    std::vector<char32_t> unmappableSample() const;
    const FileError& error() const;

    // Test seam: the next writers opened fail after this many bytes (-1 turns it off).
    static void failAfterBytesForTesting(qint64 bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
