#pragma once

#include <QString>

// Expected text with escaped bytes written as "<HH>": escaped("a<80>") is "a" followed by U+DC80, the
// code point TextReader gives a byte 0x80 it cannot decode.
inline QString escaped(const char* text) {
    const QString in = QString::fromUtf8(text);
    QString out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        bool ok = false;
        if (in[i] == u'<' && i + 3 < in.size() && in[i + 3] == u'>') {
            const uint byte = in.mid(i + 1, 2).toUInt(&ok, 16);
            if (ok) {
                out.append(QChar(char16_t(0xDC00 + byte)));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return out;
}
