#include "engine/BookCheck.h"

#include "fakes/QtPrinting.h"

#include <QFile>
#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList corpus() {
    QFile file(QStringLiteral(QM_TEST_DATA "/book/sentences.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

struct Chapter {
    QString heading;
    QStringList body;
};

const char16_t* const Numbers[] = {u"一", u"二", u"三", u"四", u"五",   u"六",
                                   u"七", u"八", u"九", u"十", u"十一", u"十二"};

// Twelve chapters of 25 different real sentences each, with 序章 before and 番外 and 后记 after.
QList<Chapter> cleanBook(const QStringList& sentences) {
    QList<Chapter> book;
    qsizetype next = 0;
    auto body = [&](int count) {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines.append(QStringLiteral("　　") + sentences[next++]);
        return lines;
    };
    book.append({QStringLiteral("序章 缘起"), body(8)});
    for (int i = 0; i < 12; ++i)
        book.append({QStringLiteral("第%1章 题%2").arg(QString::fromUtf16(Numbers[i])).arg(i + 1), body(25)});
    book.append({QStringLiteral("番外 旧事"), body(6)});
    book.append({QStringLiteral("后记"), body(3)});
    return book;
}

// Finds the chapters of the book's text and checks it as the command does: two passes over the lines.
QList<BookCheck::Finding> check(const QList<Chapter>& book) {
    QStringList lines{QStringLiteral("《测试之书》"), QStringLiteral("作者：某人"), QString()};
    for (const Chapter& chapter : book)
        lines += QStringList{chapter.heading} + chapter.body + QStringList{QString()};
    ChapterFinder finder;
    for (const QString& line : lines)
        finder.addLine(line);
    BookCheck bookCheck(BookCheck::entriesOf(finder.finish()));
    for (const QString& line : lines)
        bookCheck.addLine(line);
    return bookCheck.finish();
}

using Fault = BookCheck::Fault;

struct Planted {
    const char* rule;
    std::function<void(QList<Chapter>&, const QStringList&)> plant;
    QList<std::pair<Fault, QString>> expected; // the fault and the chapter it names
};

TEST(BookCheck, findsEveryPlantedFaultAndNothingElse) {
    const QStringList sentences = corpus();
    ASSERT_GE(sentences.size(), 400);
    const Planted table[] = {
        {"a clean book with front and back matter", [](QList<Chapter>&, const QStringList&) {}, {}},
        {"a missing chapter",
         [](QList<Chapter>& b, const QStringList&) { b.removeAt(5); },
         {{Fault::MissingChapter, "第六章 题6"}}},
        {"three missing chapters in a row",
         [](QList<Chapter>& b, const QStringList&) { b.remove(3, 3); },
         {{Fault::MissingChapter, "第六章 题6"}}},
        {"a number given twice",
         [](QList<Chapter>& b, const QStringList& s) {
             b.insert(7, {QStringLiteral("第六章 又一个"), s.mid(340, 25)});
         },
         {{Fault::DuplicateNumber, "第六章 又一个"}}},
        {"two chapters swapped",
         [](QList<Chapter>& b, const QStringList&) { b.swapItemsAt(3, 4); },
         {{Fault::OutOfOrder, "第三章 题3"}}},
        {"one chapter moved far ahead is the one named, not every chapter after it",
         [](QList<Chapter>& b, const QStringList&) { b.move(10, 3); },
         {{Fault::OutOfOrder, "第十章 题10"}}},
        {"one chapter misnumbered far ahead is the one named",
         [](QList<Chapter>& b, const QStringList&) { b[3].heading = QStringLiteral("第三十章 题3"); },
         {{Fault::OutOfOrder, "第三十章 题3"}, {Fault::MissingChapter, "第四章 题4"}}},
        {"a chapter's text again, a few characters changed",
         [](QList<Chapter>& b, const QStringList&) {
             b[8].body = b[3].body;
             b[8].body[4].replace(2, 3, QStringLiteral("新改的"));
         },
         {{Fault::SameText, "第八章 题8"}}},
        {"the title repeated as the first line",
         [](QList<Chapter>& b, const QStringList&) { b[2].body.prepend(QStringLiteral("　　第二章　题2")); },
         {{Fault::TitleRepeated, "第二章 题2"}}},
        {"a chapter that stopped downloading",
         [](QList<Chapter>& b, const QStringList&) { b[9].body = b[9].body.mid(0, 2); },
         {{Fault::TooShort, "第九章 题9"}}},
        {"a chapter saved as two pages, the second a short rest",
         [](QList<Chapter>& b, const QStringList&) {
             const QStringList body = b[10].body;
             b[10] = {QStringLiteral("第十章 题10（1/2）"), body.mid(0, 23)};
             b.insert(11, {QStringLiteral("第十章 题10（2/2）"), body.mid(23)});
         },
         {{Fault::SplitPage, "第十章 题10（2/2）"}}},
    };
    for (const Planted& planted : table) {
        QList<Chapter> book = cleanBook(sentences);
        planted.plant(book, sentences);
        QList<std::pair<Fault, QString>> got;
        for (const BookCheck::Finding& finding : check(book))
            got.append({finding.fault, finding.where});
        EXPECT_EQ(got, planted.expected) << planted.rule;
    }
}

// Chapters that start again in each volume leave no gap and no disorder.
TEST(BookCheck, volumesNumberedOnTheirOwnAreClean) {
    const QStringList sentences = corpus();
    QList<Chapter> book;
    qsizetype next = 0;
    for (const char16_t* volume : {u"第一卷 上", u"第二卷 下"}) {
        book.append({QString::fromUtf16(volume), {}});
        for (int i = 0; i < 4; ++i)
            book.append(
                {QStringLiteral("第%1章 题").arg(QString::fromUtf16(Numbers[i])), sentences.mid(next += 20, 20)});
    }
    EXPECT_TRUE(check(book).isEmpty());
}

} // namespace
