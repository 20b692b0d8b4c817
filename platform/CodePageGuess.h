#pragma once

#include "TextFormat.h"

#include <QtGlobal>
#include <optional>

// A quick look at the double-byte characters of a legacy file that settles GB18030 against Big5
// when the bytes leave no doubt, so that the slower statistical detector only sees the unclear
// files. Simplified text in GB2312 never puts a trail byte below 0xA1 (GBK only in its rare extension
// characters), while about two in five Big5 characters have one (0x40..0x7E); a GB18030 four-byte
// character (second byte a digit) cannot be Big5 at all.
class CodePageGuess {
public:
    void feed(const uchar* bytes, qsizetype size);
    // The encoding when the bytes seen so far leave no doubt; nothing otherwise.
    std::optional<TextEncoding> verdict() const;

private:
    qsizetype m_pairs = 0;
    qsizetype m_lowTrails = 0;    // trail byte 0x40..0x7E
    qsizetype m_gbkOnlyLeads = 0; // lead byte 0x81..0xA0, which plain Big5 does not use
    qsizetype m_fourByte = 0;     // GB18030 four-byte characters
};
