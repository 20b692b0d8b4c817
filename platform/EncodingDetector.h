#pragma once

#include "ChinesePlausibility.h"
#include "TextFormat.h"

#include <QtGlobal>
#include <optional>
#include <vector>

// Tells how a text file without BOM is encoded, and whether it is text at all, from all of its bytes
// fed in order, in pieces of any size: the verdict depends on the bytes only, never on the pieces.
//
// - A file with a NUL byte or a control character other than TAB, LF, CR, FF and SUB (0x1A, the old
//   end-of-file mark) is not text, unless it is UTF-16.
// - UTF-16 without BOM is told by its byte pattern: its code units read as text (ASCII, CJK, common
//   punctuation) in one byte order and not in the other.
// - Valid UTF-8 is UTF-8; so is UTF-8 with a few stray bytes (at most one per four characters of
//   three or more bytes). A sequence cut off at the very end of the file does not count as stray.
// - Otherwise the file is GB18030 or Big5, whichever decoding reads as the more plausible Chinese
//   text (ChinesePlausibility) over a sample of the parts that hold non-ASCII bytes. A byte pair
//   that is valid in both code pages proves nothing; the frequency of the characters it gives does.
// - When both read equally well (and for a file of ASCII only) the caller's fallback decides.
// - When the Chinese characters of even the more plausible reading are mostly rare ones, or it has
//   none but bytes that do not decode (Latin-1, CP1252 or Shift-JIS text), the encoding is not
//   understood: no verdict, though the file holds no control bytes.
class EncodingDetector {
public:
    // How many bytes will be fed in all, when known (it must be exact): once the UTF-8 question is
    // settled whatever the rest holds, the rest is only looked at for control characters. The verdict
    // is the same.
    void expectSize(qint64 bytes) { m_expected = bytes; }
    void feed(const uchar* bytes, qsizetype size);
    // Ends the file; must come before the questions below.
    void finish();

    // The encoding; nothing when the file is not text (hasControlBytes()) or when its encoding is not
    // understood (no control bytes).
    std::optional<TextEncoding> verdict(TextEncoding fallback) const;
    // True when the bytes hold NUL or other control characters: no text file in a byte encoding.
    bool hasControlBytes() const { return m_controls > 0; }
    // True once the bytes fed so far make the file not text whatever follows (verdict() will give
    // nothing): a control byte was seen and the file's head, complete, does not read as UTF-16. A
    // reader may stop there. Needs at most the head (64 KB) and the piece that completes it.
    bool provenNotText() const;
    // CR and LF bytes (meaningful for the byte encodings only).
    bool sawCr() const { return m_sawCr; }
    bool sawLf() const { return m_sawLf; }

private:
    void scanSlow(const uchar* p, qsizetype size);
    void scanControls(const uchar* p, qsizetype size);
    void controlBytes(const uchar* p, qsizetype size);
    void utf8Byte(uchar byte);
    qsizetype utf8Sequence(const uchar* p);
    qsizetype threeByteRun(const uchar* p, qsizetype size);
    bool utf8Settled(qint64 fed) const;
    void sampleBytes(const uchar* p, qsizetype size);
    std::optional<TextEncoding> utf16Verdict() const;
    // The sample read in each candidate encoding.
    struct SampleReadings {
        qint64 gb = 0;
        qint64 big5 = 0;
        ChinesePlausibility::Tally gbTally;
        ChinesePlausibility::Tally big5Tally;
        bool utf8Wins = false; // the UTF-8 reading is more plausible than both
    };
    SampleReadings readSample() const;
    bool utf8LosesOnFullSample() const;
    std::optional<TextEncoding> legacyVerdict(TextEncoding fallback, bool utf8Candidate) const;

    bool m_sawCr = false;
    bool m_sawLf = false;
    qint64 m_controls = 0; // NUL and the other control bytes that text does not hold

    // UTF-8: the sequence being read, and what was found.
    int m_need = 0;
    int m_seen = 0;
    uchar m_low = 0x80;
    uchar m_high = 0xBF;
    qint64 m_valid = 0; // multi-byte characters
    qint64 m_wide = 0;  // of those, three and four bytes long (CJK and beyond)
    qint64 m_stray = 0; // bytes that belong to no character
    bool m_nonAscii = false;
    qint64 m_expected = -1; // bytes the whole file will give, -1 when not known
    qint64 m_fed = 0;       // bytes fed before the current feed() call
    bool m_settled = false; // the UTF-8 counts can no longer change the verdict

    std::vector<uchar> m_head;                     // the first bytes, for the UTF-16 pattern
    mutable std::optional<bool> m_headIsUtf16;     // once it can no longer change
    mutable std::optional<bool> m_utf8LosesSample; // once the sample is complete
    std::vector<uchar> m_sample;                   // the stretches around non-ASCII bytes, for the code-page question
    int m_asciiRun = 0;
    bool m_inStretch = false;
};
