#include "engine/ChapterFinder.h"

#include "fakes/QtPrinting.h"

#include <QFile>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Real sentences (cut from Debian's fortunes-zh) for the bodies of the books.
QStringList corpus() {
    QFile file(QStringLiteral(QM_TEST_DATA "/book/sentences.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

struct Expect {
    Heading::Level level;
    std::optional<quint64> number;
    const char16_t* text;
};
using V = Heading::Level;

// A line of a book: a heading with what must be found in it, or (no expectation) a line of the body.
struct Row {
    const char16_t* line;
    std::vector<Expect> expect;
};

struct BookCase {
    const char* rule;
    std::vector<Row> rows;
};

// A heading as found, for comparing: where, what, which number; no labelled heading is doubtful.
struct Found {
    qint64 line;
    Heading::Level level;
    std::optional<quint64> number;
    QString text;
    bool doubtful = false;
    bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* os) {
    *os << f.line << "/" << int(f.level) << "/" << (f.number ? std::to_string(*f.number) : "-") << "/"
        << f.text.toStdString() << (f.doubtful ? "/doubtful" : "");
}

// Each row's line, then three sentences of the corpus, so that every heading stands among real text.
struct Book {
    QString text;
    std::vector<Found> expected;
};

Book makeBook(const BookCase& book, const QStringList& sentences, qsizetype& next) {
    Book made;
    qint64 line = 0;
    auto add = [&](const QString& text) {
        made.text += text + u'\n';
        ++line;
    };
    for (const Row& row : book.rows) {
        add(QString::fromUtf16(row.line));
        for (const Expect& expect : row.expect)
            made.expected.push_back({line, expect.level, expect.number, QString::fromUtf16(expect.text)});
        for (int i = 0; i < 3; ++i)
            add(sentences[next++ % sentences.size()]);
    }
    return made;
}

std::vector<Found> found(const QList<Heading>& headings) {
    std::vector<Found> list;
    for (const Heading& h : headings)
        list.push_back({h.line, h.level, h.number, h.text, h.doubtful});
    return list;
}

constexpr auto C = V::Chapter;

// Traps of the body: lines that start like a heading but are sentences or quotes.
const std::vector<Row> Traps = {
    {u"第六回合开始了", {}},
    {u"第三节课是数学", {}},
    {u"第二部分讲的是什么", {}},
    {u"第一次见到他", {}},
    {u"“第一章”写得很好", {}},
    {u"第三者插足", {}},
    {u"第一章的内容很长", {}},
    {u"第五章写完了。", {}},
    {u"第一集团军开进城里", {}},
    {u"序列号丢了", {}},
    {u"前言不搭后语地说了几句", {}},
    {u"1、先把火生起来", {}},
    {u"第十章，就在这里结束；", {}},
    {u"第一百章还远着呢", {}},
    {u"第二十章 那一年的春天来得特别早而且特别温暖让人忍不住想出门走走看看外面的世界于是他们一起出了门", {}},
    {u"第十章，就在这里", {}},
    {u"第二节车厢", {}},
    {u"第一部手机", {}},
    {u"第三部电影很好看", {}},
    {u"第二篇文章", {}},
    {u"第三卷烟", {}},
    {u"第五章节", {}},
    {u"第一章回", {}},
};

// A trap after every heading but the first, the traps taken in turn over all books.
std::vector<Row> withTraps(std::vector<Row> rows) {
    static size_t next = 0;
    std::vector<Row> mixed;
    for (size_t i = 0; i < rows.size(); ++i) {
        mixed.push_back(rows[i]);
        if (i > 0)
            mixed.push_back(Traps[next++ % Traps.size()]);
    }
    return mixed;
}

const std::vector<BookCase>& cases() {
    static const std::vector<BookCase> list = {
        {"Chinese numerals with a blank before the title", withTraps({{u"第一章 风起", {{C, 1, u"第一章 风起"}}},
                                                                      {u"第二章　云涌", {{C, 2, u"第二章　云涌"}}},
                                                                      {u"第三章", {{C, 3, u"第三章"}}},
                                                                      {u"第四章：夜雨", {{C, 4, u"第四章：夜雨"}}}})},
        {"ASCII and full-width digits, title glued to the label",
         withTraps({{u"第1章初入江湖", {{C, 1, u"第1章初入江湖"}}},
                    {u"第2章 拜师", {{C, 2, u"第2章 拜师"}}},
                    {u"第３章　学艺", {{C, 3, u"第３章　学艺"}}},
                    {u"  第 4 章 下山  ", {{C, 4, u"第 4 章 下山"}}}})},
        {"回 节 集 篇 as chapter words", withTraps({{u"第一回　灵根育孕源流出", {{C, 1, u"第一回　灵根育孕源流出"}}},
                                                    {u"第二回 悟彻菩提真妙理", {{C, 2, u"第二回 悟彻菩提真妙理"}}},
                                                    {u"第三节 山中", {{C, 3, u"第三节 山中"}}},
                                                    {u"第四集 海上", {{C, 4, u"第四集 海上"}}},
                                                    {u"第五篇 归来", {{C, 5, u"第五篇 归来"}}}})},
        {"廿 卅 and 两 are numbers", withTraps({{u"第十九章 甲", {{C, 19, u"第十九章 甲"}}},
                                                {u"第廿章 乙", {{C, 20, u"第廿章 乙"}}},
                                                {u"第廿一章 丙", {{C, 21, u"第廿一章 丙"}}},
                                                {u"第卅章 丁", {{C, 30, u"第卅章 丁"}}},
                                                {u"第卅一章 戊", {{C, 31, u"第卅一章 戊"}}},
                                                {u"第两百章 己", {{C, 200, u"第两百章 己"}}}})},
        {"〇 零 and financial numerals", withTraps({{u"第九十九章 甲", {{C, 99, u"第九十九章 甲"}}},
                                                    {u"第一〇〇章 乙", {{C, 100, u"第一〇〇章 乙"}}},
                                                    {u"第一百零一章 丙", {{C, 101, u"第一百零一章 丙"}}},
                                                    {u"第一百〇二章 丁", {{C, 102, u"第一百〇二章 丁"}}},
                                                    {u"第壹佰零叁章 戊", {{C, 103, u"第壹佰零叁章 戊"}}},
                                                    {u"第壹佰零肆章", {{C, 104, u"第壹佰零肆章"}}}})},
        {"正文 before the label", withTraps({{u"正文 第一章 开端", {{C, 1, u"第一章 开端"}}},
                                             {u"正文　第二章 转折", {{C, 2, u"第二章 转折"}}},
                                             {u"正文第三章 结局", {{C, 3, u"第三章 结局"}}}})},
        {"front and back matter are headings without numbers",
         withTraps({{u"序章 缘起", {{C, std::nullopt, u"序章 缘起"}}},
                    {u"楔子", {{C, std::nullopt, u"楔子"}}},
                    {u"第一章 上路", {{C, 1, u"第一章 上路"}}},
                    {u"第二章 过河", {{C, 2, u"第二章 过河"}}},
                    {u"尾声", {{C, std::nullopt, u"尾声"}}},
                    {u"番外一 旧事", {{C, std::nullopt, u"番外一 旧事"}}},
                    {u"番外篇：新事", {{C, std::nullopt, u"番外篇：新事"}}},
                    {u"后记", {{C, std::nullopt, u"后记"}}},
                    {u"完本感言", {{C, std::nullopt, u"完本感言"}}}})},
        {"引子 序 前言 as headings", withTraps({{u"前言", {{C, std::nullopt, u"前言"}}},
                                                {u"序：写在前面", {{C, std::nullopt, u"序：写在前面"}}},
                                                {u"引子 雪夜", {{C, std::nullopt, u"引子 雪夜"}}},
                                                {u"第一章 春", {{C, 1, u"第一章 春"}}},
                                                {u"第二章 夏", {{C, 2, u"第二章 夏"}}}})},
        {"Chapter N in English", withTraps({{u"Chapter 1 The Road", {{C, 1, u"Chapter 1 The Road"}}},
                                            {u"CHAPTER 2", {{C, 2, u"CHAPTER 2"}}},
                                            {u"Chapter 3: Home", {{C, 3, u"Chapter 3: Home"}}}})},
        {"a number alone where the whole book is numbered that way",
         {{u"1", {{C, 1, u"1"}}}, {u"2", {{C, 2, u"2"}}}, {u"3", {{C, 3, u"3"}}}, {u"4", {{C, 4, u"4"}}}}},
        {"N、title where the whole book is numbered that way",
         {{u"一、出发", {{C, 1, u"一、出发"}}},
          {u"二、相遇", {{C, 2, u"二、相遇"}}},
          {u"三、离别", {{C, 3, u"三、离别"}}},
          {u"四、重逢", {{C, 4, u"四、重逢"}}}}},
        {"N. title where the whole book is numbered that way",
         {{u"1. 出发", {{C, 1, u"1. 出发"}}},
          {u"2. 相遇", {{C, 2, u"2. 相遇"}}},
          {u"3．离别", {{C, 3, u"3．离别"}}},
          {u"4. 重逢", {{C, 4, u"4. 重逢"}}}}},
        {"volumes whose chapters start again", withTraps({{u"第一卷 潜龙", {{V::Volume, 1, u"第一卷 潜龙"}}},
                                                          {u"第一章 甲", {{C, 1, u"第一章 甲"}}},
                                                          {u"第二章 乙", {{C, 2, u"第二章 乙"}}},
                                                          {u"第二卷 在渊", {{V::Volume, 2, u"第二卷 在渊"}}},
                                                          {u"第一章 丙", {{C, 1, u"第一章 丙"}}},
                                                          {u"第二章 丁", {{C, 2, u"第二章 丁"}}},
                                                          {u"第三部 飞龙", {{V::Volume, 3, u"第三部 飞龙"}}},
                                                          {u"第一章 戊", {{C, 1, u"第一章 戊"}}}})},
        {"a line with both a volume and a chapter",
         withTraps(
             {{u"上卷 第一回　灵根育孕源流出", {{V::Volume, std::nullopt, u"上卷"}, {C, 1, u"第一回　灵根育孕源流出"}}},
              {u"第二回　悟彻菩提真妙理", {{C, 2, u"第二回　悟彻菩提真妙理"}}},
              {u"下卷 第三回 四海千山皆拱伏", {{V::Volume, std::nullopt, u"下卷"}, {C, 3, u"第三回 四海千山皆拱伏"}}},
              {u"第二卷 第四章 归途", {{V::Volume, 2, u"第二卷"}, {C, 4, u"第四章 归途"}}},
              {u"卷三 终章", {{V::Volume, 3, u"卷三 终章"}}},
              {u"第五章 终", {{C, 5, u"第五章 终"}}}})},
        {"sections numbered again in every chapter are no chapters",
         {{u"第一章 总论", {{C, 1, u"第一章 总论"}}},
          {u"第一节 缘起", {}},
          {u"第二节 经过", {}},
          {u"第二章 分论", {{C, 2, u"第二章 分论"}}},
          {u"第一节 甲", {}},
          {u"第二节 乙", {}},
          {u"第三节 丙", {}},
          {u"第三章 结论", {{C, 3, u"第三章 结论"}}},
          {u"第一节 丁", {}}}},
        {"parts whose chapters run on through them", withTraps({{u"第一集 出山", {{C, 1, u"第一集 出山"}}},
                                                                {u"第一章 下山", {{C, 1, u"第一章 下山"}}},
                                                                {u"第二章 进城", {{C, 2, u"第二章 进城"}}},
                                                                {u"第二集 入世", {{C, 2, u"第二集 入世"}}},
                                                                {u"第三章 相逢", {{C, 3, u"第三章 相逢"}}}})},
        {"list items are no headings in a book with chapter lines",
         {{u"第一章 规矩", {{C, 1, u"第一章 规矩"}}},
          {u"1、不许说话", {}},
          {u"2、不许走动", {}},
          {u"3、不许看书", {}},
          {u"第二章 破例", {{C, 2, u"第二章 破例"}}},
          {u"2008", {}}}},
    };
    return list;
}

// Every labelled book gives exactly its headings; over the set, precision and recall are 100 %.
TEST(ChapterFinder, findsTheHeadingsOfEveryLabelledBook) {
    const QStringList sentences = corpus();
    ASSERT_GE(sentences.size(), 300);
    qsizetype next = 0;
    qint64 truePositives = 0;
    qint64 falsePositives = 0;
    qint64 falseNegatives = 0;
    for (const BookCase& book : cases()) {
        const Book made = makeBook(book, sentences, next);
        const std::vector<Found> got = found(ChapterFinder::find(made.text));
        EXPECT_EQ(got, made.expected) << book.rule;
        for (const Found& f : got) {
            const bool right = std::find(made.expected.begin(), made.expected.end(), f) != made.expected.end();
            (right ? truePositives : falsePositives) += 1;
        }
        for (const Found& e : made.expected)
            falseNegatives += std::find(got.begin(), got.end(), e) == got.end() ? 1 : 0;
    }
    const double precision = double(truePositives) / double(truePositives + falsePositives);
    const double recall = double(truePositives) / double(truePositives + falseNegatives);
    EXPECT_EQ(precision, 1.0);
    EXPECT_EQ(recall, 1.0);
    EXPECT_GE(truePositives, 70);
}

// Numbers that break the sequence mark their heading doubtful and keep it; gaps do not.
TEST(ChapterFinder, marksHeadingsThatBreakTheSequence) {
    struct Case {
        const char* rule;
        QStringList numbers;
        QList<bool> doubtful;
    };
    const Case table[] = {
        {"a sequence in order", {"一", "二", "三", "四"}, {false, false, false, false}},
        {"a gap is no doubt", {"一", "二", "四", "五"}, {false, false, false, false}},
        {"a number given twice", {"一", "二", "二", "三"}, {false, false, true, false}},
        {"a chapter out of place", {"一", "二", "五", "三", "四"}, {false, false, true, false, false}},
        {"a stray reference far back",
         {"一", "二", "三", "四", "二", "五", "六"},
         {false, false, false, false, true, false, false}},
    };
    for (const Case& c : table) {
        QString text;
        for (const QString& number : c.numbers)
            text += u'第' + number + QStringLiteral("章 题\n正文一句。\n");
        QList<bool> doubtful;
        for (const Heading& heading : ChapterFinder::find(text))
            doubtful.append(heading.doubtful);
        EXPECT_EQ(doubtful, c.doubtful) << c.rule;
    }
}

// The offsets point at each heading's line in the text, whatever the line ends; fed line by line the
// finder gives what it gives over the whole text.
TEST(ChapterFinder, offsetsPointAtTheHeadingLines) {
    const QString text = QStringLiteral("书名\r\n\r\n第一章 甲\r\n正文。\r\n第二章 乙\r\n𠍀正文。\r\n第三章 丙");
    const QList<Heading> headings = ChapterFinder::find(text);
    ASSERT_EQ(headings.size(), 3);
    for (const Heading& heading : headings)
        EXPECT_TRUE(QStringView(text).sliced(heading.offset).startsWith(heading.text)) << heading.offset;

    ChapterFinder finder(2);
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        finder.addLine(line);
    EXPECT_EQ(finder.finish(), headings);
}

// Label and title apart, as file names and tables of contents show them.
TEST(ChapterFinder, splitsLabelAndTitle) {
    struct Case {
        const char16_t* line;
        const char16_t* label;
        const char16_t* title;
    };
    const Case table[] = {
        {u"第一章　风起云涌", u"第一章", u"风起云涌"},
        {u"第一百零三章：归来", u"第一百零三章", u"归来"},
        {u"正文 第二回 悟彻菩提真妙理", u"第二回", u"悟彻菩提真妙理"},
        {u"番外一 旧事", u"番外一", u"旧事"},
        {u"序章·缘起", u"序章", u"缘起"},
        {u"Chapter 12 - Home", u"Chapter 12", u"Home"},
    };
    for (const Case& c : table) {
        const QList<Heading> headings = ChapterFinder::find(QString::fromUtf16(c.line));
        ASSERT_EQ(headings.size(), 1) << QString::fromUtf16(c.line).toStdString();
        EXPECT_EQ(headings[0].label, QString::fromUtf16(c.label));
        EXPECT_EQ(headings[0].title, QString::fromUtf16(c.title));
    }
}

} // namespace
