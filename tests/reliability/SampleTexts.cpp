#include "SampleTexts.h"

#include "platform/TextEncoder.h"

#include <QString>

#include <algorithm>

namespace SampleTexts {
namespace {

const char16_t* const Phrases[] = {
    u"天色已晚",     u"他推开门走了进去",
    u"第一章　起点", u"中 文 书",
    u"Hello world",  u"ＡＢＣ　１２３",
    u"“你来了”",     u"體育場裏",
    u"说话",         u"𠍀𠀀字",
    u"　　他说：",   u"a-b",
    u"&amp;",        u"…",
};
const char16_t* const Ends[] = {u"。", u"！", u"”", u"", u"", u"？", u"-"};

int pick(std::mt19937& random, int count) {
    return int(random() % unsigned(count));
}

QString line(std::mt19937& random) {
    QString text;
    if (pick(random, 6) == 0)
        text += QString(pick(random, 10), u' ');
    const int words = pick(random, 8);
    for (int i = 0; i < words; ++i)
        text += QString::fromUtf16(Phrases[pick(random, std::size(Phrases))]);
    text += QString::fromUtf16(Ends[pick(random, std::size(Ends))]);
    if (pick(random, 8) == 0)
        text += QStringLiteral("  ");
    return text;
}

bool hasHan(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

} // namespace

QByteArray encoded(const QString& text, TextEncoding encoding) {
    TextEncoder encoder(encoding);
    QByteArray out = TextEncoder::byteOrderMark(encoding);
    QByteArray buffer(TextEncoder::maxBytes(text.size()), '\0');
    const qsizetype size = encoder.encode(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), buffer.data());
    out.append(buffer.constData(), size);
    return out;
}

namespace {

QByteArray chapterIn(std::mt19937& random, int lines, TextEncoding encoding) {
    const char16_t* const lineEnds[] = {u"\r\n", u"\r\n", u"\n", u"\r"};
    const QString lineEnd = QString::fromUtf16(lineEnds[pick(random, std::size(lineEnds))]);
    QString text;
    for (int i = 0; i < lines; ++i) {
        text += line(random);
        if (i + 1 < lines || pick(random, 3) != 0)
            text += lineEnd;
    }
    QByteArray bytes = encoded(text, encoding);
    // A legacy file with a stray byte that decodes to nothing: it must come back unchanged. Only
    // beside Chinese text: a file of nothing but that byte is no text the program understands.
    if (encoding == TextEncoding::Gb18030 && pick(random, 4) == 0 && hasHan(text))
        bytes.insert(bytes.size() / 2, '\x80');
    return bytes;
}

} // namespace

QByteArray chapter(std::mt19937& random, int lines) {
    const TextEncoding encodings[] = {TextEncoding::Gb18030, TextEncoding::Gb18030, TextEncoding::Utf8,
                                      TextEncoding::Utf8Bom, TextEncoding::Big5,    TextEncoding::Utf16LE};
    const TextEncoding encoding = encodings[pick(random, std::size(encodings))];
    return chapterIn(random, lines, encoding);
}

QByteArray webPage(std::mt19937& random, int paragraphs) {
    QString page = QStringLiteral("<html><head><title>第%1章</title>\r\n").arg(pick(random, 100));
    const bool gb = pick(random, 2) == 0;
    if (gb)
        page += QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n");
    page += QStringLiteral("<style>p {color:red}</style></head><body><!-- top -->\r\n");
    for (int i = 0; i < paragraphs; ++i) {
        page += QStringLiteral("<p>") + line(random) + QStringLiteral("</p>\r\n");
        if (pick(random, 4) == 0)
            page += QStringLiteral("<a href='next.htm'>下一章</a> &lt;页&gt;<br>\r\n");
    }
    page += QStringLiteral("<script>var a=1;</script></body></html>\r\n");
    return encoded(page, gb ? TextEncoding::Gb18030 : TextEncoding::Utf8);
}

FileTree::Tree textFiles(int count, unsigned seed) {
    std::mt19937 random(seed);
    FileTree::Tree files;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = QByteArray::number(i).rightJustified(3, '0') + ".txt";
        const int kind = i % 10;
        const int lines = kind == 0 ? 0 : kind == 1 ? 1 : 5 + pick(random, 60);
        files.insert(name, chapter(random, lines));
    }
    return files;
}

FileTree::Tree webPages(int count, unsigned seed) {
    std::mt19937 random(seed);
    FileTree::Tree files;
    for (int i = 0; i < count; ++i)
        files.insert("p" + QByteArray::number(i).rightJustified(3, '0') + ".htm",
                     webPage(random, 3 + pick(random, 30)));
    return files;
}

QByteArray largeText(std::mt19937& random, qsizetype size) {
    QByteArray text;
    while (text.size() < size)
        text += chapterIn(random, 200, TextEncoding::Gb18030);
    return text;
}

} // namespace SampleTexts
