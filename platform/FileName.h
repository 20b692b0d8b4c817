#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names and paths as the file system holds them: bytes, UTF-8 on this system but not always
// (names unpacked from old archives are often GBK or Big5). Qt's own conversion turns every byte
// that is not UTF-8 into U+FFFD, so two such names become one text that names neither file. Here a
// byte that is not part of a valid UTF-8 sequence becomes the lone surrogate U+DC00 + byte (as
// TextDecoder does for file contents), and encoding turns it back into that byte: every name
// survives the way to text and back byte for byte. Every path handed to the operating system goes
// through encode(), which never writes a NUL byte (a text holding U+0000, say from a damaged
// settings file, still names one place and never a shorter path).
namespace FileName {

QByteArray encode(QStringView path);
QString decode(QByteArrayView bytes);

// True when `name` is what decode() makes of some bytes, so that it names exactly one file and
// reads back as itself: no lone surrogate other than an escaped byte, and no escaped bytes that
// together would be UTF-8.
bool isFaithful(QStringView name);

// True when `name` can stand for one file in a folder: not empty, not "." or "..", no "/" and no
// control character, and faithful (see above).
bool isPlainFileName(QStringView name);

// `path` made absolute against the current folder (read as bytes) and cleaned up without looking
// at the disk: "." parts and doubled "/" go, ".." takes away the part before it; no trailing "/"
// (except for "/" itself). Names that are not UTF-8 keep their bytes, in the path and in the
// current folder.
QString absolutePath(const QString& path);

// The folder of the running program with its own bytes (Qt's application folder turns bytes that are
// not UTF-8 into U+FFFD, naming another folder or none); `fallback` where the system does not say.
QString programFolder(const QString& fallback);

} // namespace FileName
