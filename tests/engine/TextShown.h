#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdio>
#include <string>

// Readable forms for failure messages: line ends, tabs and escaped bytes are spelled out so a
// missing "\r\n" shows.
namespace {

inline std::string shown(QStringView text) {
    std::string out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\r':
            out += "\\r";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (c.isSurrogate() || c.unicode() < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04X", c.unicode());
                out += code;
            } else {
                out += QString(c).toStdString();
            }
        }
    }
    return out;
}

// Feeds `lines` in order to a line-at-a-time step (`step(line, piece)` sets the piece the line gives)
// and joins the pieces.
template <class Step> QString joinedPieces(const QStringList& lines, Step step) {
    QString all;
    QString piece;
    for (const QString& line : lines) {
        step(line, piece);
        all += piece;
    }
    return all;
}

inline std::string shownBytes(const QByteArray& bytes) {
    std::string out;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == '\r') {
            out += "\\r";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b >= 0x20 && b < 0x7f && b != '\\') {
            out += static_cast<char>(b);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", b);
            out += code;
        }
    }
    return out;
}

} // namespace
