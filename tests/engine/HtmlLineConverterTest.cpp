#include "engine/HtmlLineConverter.h"

#include "TextShown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString convert(const QStringList& lines, bool dropLinks, HtmlRules rules) {
    HtmlLineConverter converter(dropLinks, rules);
    return joinedPieces(lines, [&](const QString& line, QString& piece) { converter.convertLine(line, piece); });
}

struct Row {
    const char* rule;
    bool dropLinks;
    QStringList lines;
    QString expected;
};

void check(const std::vector<Row>& rows, HtmlRules rules = HtmlRules::Classic) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(convert(row.lines, row.dropLinks, rules)), shown(row.expected));
    }
}

const QStringList PageLines = {
    u"<html><head><title>My Book</title>"_s,
    u"<style>p {color:red}</style></head>"_s,
    u"<body><!-- top -->"_s,
    u"Chapter &amp; Verse<br>"_s,
    u"<P>First &lt;para&gt; &copy; here</P>"_s,
    u"<a href='next.htm'>Next</a> page"_s,
    u"<script>var a=1;</script>End"_s,
};

TEST(HtmlLineConverterClassic, PageGivesItsTextLineByLine) {
    check({
        {"links dropped", true, PageLines,
         u"\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> copy; here\r\n\r\n page\r\nEnd\r\n"_s},
        {"links kept", false, PageLines,
         u"\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> copy; here\r\n\r\nNext page\r\nEnd\r\n"_s},
    });
}

TEST(HtmlLineConverterClassic, StateCarriesAcrossLines) {
    check({
        {"a tag split over two lines drops the next line up to its >",
         true,
         {u"before <a"_s, u"href='x.htm'>link</a> after"_s},
         u"before \r\nlink after\r\n"_s},
        {"a link opened on one line and closed on a later one is dropped throughout",
         true,
         {u"<a href=x>one"_s, u"two"_s, u"three</a>four"_s},
         u"four\r\n"_s},
        {"a comment ending on a later line hides everything up to -->",
         false,
         {u"a<!-- one"_s, u"<p>two</p>"_s, u"three -->b"_s},
         u"a\r\nb\r\n"_s},
        {"a script running over lines hides its content",
         false,
         {u"<script type=x>"_s, u"if (a < b && c > d) x = '<p>';"_s, u"</SCRIPT>text"_s},
         u"text\r\n"_s},
        {"a style block running over lines hides its content",
         false,
         {u"<style>"_s, u"p { color: red; }"_s, u"</style>"_s, u"text"_s},
         u"text\r\n"_s},
        {"an unknown tag left open swallows the next line up to >", false, {u"x<scri"_s, u"pt>y"_s}, u"x\r\ny\r\n"_s},
    });
}

TEST(HtmlLineConverterClassic, TagsAndBlocks) {
    check({
        {"link start is recognised without regard to case", true, {u"<A HREF=x>Link</A>rest"_s}, u"rest\r\n"_s},
        {"a tab after <a is not a link start", true, {u"<a\thref=x>Link</a>rest"_s}, u"Linkrest\r\n"_s},
        {"text right after </script> shows", false, {u"<script>x</script>after"_s}, u"after\r\n"_s},
        {"text right after </style> shows", false, {u"<style>x</style>after"_s}, u"after\r\n"_s},
        {"text right after --> shows", false, {u"<!--x-->after"_s}, u"after\r\n"_s},
        {"a line holding only <p> gives two line ends", false, {u"<p>"_s}, u"\r\n\r\n"_s},
        {"<p> with attributes is an ordinary tag", false, {u"<p class=x>text</p>"_s}, u"text\r\n\r\n"_s},
        {"<br> adds nothing", false, {u"one<br>two<BR/>"_s}, u"onetwo\r\n"_s},
        {"title gets four tabs and a break", false, {u"<TITLE>T</Title>"_s}, u"\t\t\t\tT\r\n\r\n"_s},
        {"a stray > outside a tag is dropped", false, {u"a > b"_s}, u"a  b\r\n"_s},
        {"a tag-only line gives nothing", false, {u"<div><span></span></div>"_s}, u""_s},
        {"a line of spaces between tags gives nothing", false, {u"<b> </b>"_s}, u""_s},
        {"the line is trimmed of spaces, the text keeps its inner spaces", false, {u"  <b> x </b>  "_s}, u" x \r\n"_s},
        {"tabs are not trimmed", false, {u"\tx\t"_s}, u"\tx\t\r\n"_s},
        {"</script> outside a script is an ordinary tag", false, {u"a</script>b"_s}, u"ab\r\n"_s},
    });
}

TEST(HtmlLineConverterClassic, Entities) {
    check({
        {"entity names ignore case", false, {u"&AMP;&Lt;&GT;&QUOT;&NbSp;x"_s}, u"&<>\" x\r\n"_s},
        {"numeric references lose only their &", false, {u"&#20013;"_s}, u"#20013;\r\n"_s},
        {"unknown entities lose only their &", false, {u"&copy; 2001"_s}, u"copy; 2001\r\n"_s},
        {"an entity cut by the line end is text", false, {u"a &am"_s}, u"a am\r\n"_s},
        {"an entity inside a tag adds nothing", false, {u"<a href=\"list.php?a=1&amp;b=2\">Next</a>"_s}, u"Next\r\n"_s},
        {"an entity in a dropped link adds nothing", true, {u"<a href=x>A &amp; B</a>C"_s}, u"C\r\n"_s},
        {"an entity in a kept link shows", false, {u"<a href=x>A &amp; B</a>"_s}, u"A & B\r\n"_s},
        {"a lone &nbsp; is a blank line and gives nothing", false, {u"&nbsp;"_s}, u""_s},
        {"&lt; in text does not open a tag", false, {u"&lt;b&gt;bold"_s}, u"<b>bold\r\n"_s},
    });
}

TEST(HtmlLineConverterClassic, OtherCharactersPassThrough) {
    const QString escaped = QString(QChar(0xDC80)) + QChar(0xDCFF);
    check({
        {"escaped bytes stay as they are", false, {u"<b>"_s + escaped + u"</b>"_s}, escaped + u"\r\n"_s},
        {"CJK and 4-byte characters stay", false, {u"<p>中文𠍀</p>"_s}, u"\r\n中文𠍀\r\n\r\n"_s},
        {"a NUL stays", false, {u"a"_s + QChar(0) + u"b"_s}, u"a"_s + QChar(0) + u"b\r\n"_s},
    });
}

TEST(HtmlLineConverter, PageGivesItsTextLineByLine) {
    check({{"links dropped", true, PageLines,
            u"\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> © here\r\n page\r\nEnd\r\n"_s},
           {"links kept", false, PageLines,
            u"\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> © here\r\nNext page\r\nEnd\r\n"_s}},
          HtmlRules::Current);
}

TEST(HtmlLineConverter, BreaksAsThePageShowsThem) {
    check(
        {
            {"every form of <br> ends the line",
             false,
             {u"one<br>two<BR/>three<br class=x>four</br>"_s},
             u"one\r\ntwo\r\nthree\r\nfour\r\n"_s},
            {"a web-novel chapter: one paragraph a line, indents kept",
             false,
             {u"<div id=\"content\">&nbsp;&nbsp;&nbsp;&nbsp;第一段。<br /><br />&nbsp;&nbsp;&nbsp;&nbsp;第二段。<br /><br /></div>"_s},
             u"    第一段。\r\n\r\n    第二段。\r\n\r\n"_s},
            {"<p> with attributes is a paragraph",
             false,
             {u"<p class=x>甲</p><P STYLE='a'>乙</P>"_s},
             u"甲\r\n\r\n乙\r\n"_s},
            {"nested blocks over lines leave one empty line",
             false,
             {u"<div id=a>"_s, u"<div>"_s, u"text"_s, u"</div>"_s, u"</div>"_s, u"<div>more</div>"_s},
             u"text\r\n\r\nmore\r\n"_s},
            {"headings and list items",
             false,
             {u"<h1>标题</h1><ul><li>一<li class=x>二</ul><H6>尾</H6>"_s},
             u"标题\r\n\r\n一\r\n二\r\n尾\r\n"_s},
            {"table rows end lines, cells do not",
             false,
             {u"<tr><td>a</td><td>b</td></tr><tr><td>c</td></tr>"_s},
             u"ab\r\nc\r\n"_s},
            {"tags that only begin like a breaking one",
             false,
             {u"a<pre>b<param>c<brx>d<divx>e<lix>f"_s},
             u"abcdef\r\n"_s},
            {"a breaking tag split over two lines", false, {u"a<div"_s, u"class=x>b"_s}, u"a\r\nb\r\n"_s},
            {"a tab after <a starts a link too", true, {u"<a\thref=x>Link</a>rest"_s}, u"rest\r\n"_s},
            {"a line of &nbsp; alone gives nothing", false, {u"a"_s, u"&nbsp;&nbsp;"_s, u"b"_s}, u"a\r\nb\r\n"_s},
        },
        HtmlRules::Current);
}

TEST(HtmlLineConverter, EveryReferenceIsDecoded) {
    check(
        {
            {"decimal and hex numbers", false, {u"&#20013;&#x6587;&#X6587;&#25991"_s}, u"中文文文\r\n"_s},
            {"HTML5 names", false, {u"&ldquo;你好&rdquo;&hellip;&mdash;&middot;&fjlig;"_s}, u"“你好”…—·fj\r\n"_s},
            {"an & that starts no reference stays",
             false,
             {u"交通路线&生活信息 AT&T Q&A &; &#; &#x; &zzz;"_s},
             u"交通路线&生活信息 AT&T Q&A &; &#; &#x; &zzz;\r\n"_s},
            {"legacy names need no ;", false, {u"&copy2001 &amp &notit;"_s}, u"©2001 & ¬it;\r\n"_s},
            {"names are case-sensitive, the old five are not",
             false,
             {u"&Eacute;&eacute;&NBSP;&Amp;&ELLIP;"_s},
             u"Éé &&ELLIP;\r\n"_s},
            {"numbers that are no character",
             false,
             {u"&#0;&#xD800;&#x110000;&#99999999999;"_s},
             u"\uFFFD\uFFFD\uFFFD\uFFFD\r\n"_s},
            {"128 to 159 read as Windows-1252", false, {u"&#150;&#147;x&#148;&#129;"_s}, u"–“x”\u0081\r\n"_s},
            {"a 4-byte character", false, {u"&#x20340;&#131904;"_s}, u"𠍀𠍀\r\n"_s},
            {"a reference does not break the line", false, {u"a&NewLine;b&#13;&#10;c"_s}, u"a b  c\r\n"_s},
            {"&nbsp; is a space, &emsp; opens a paragraph as a full-width space",
             false,
             {u"&emsp;&emsp;段落&nbsp;中&emsp;"_s, u"\u00A0\u00A0段\u00A0"_s},
             u"\u3000\u3000段落 中\u2003\r\n  段\u00A0\r\n"_s},
            {"a reference inside a tag adds nothing",
             false,
             {u"<a href=\"?a=1&amp;b=2\" title=&#20013;>Next</a>"_s},
             u"Next\r\n"_s},
        },
        HtmlRules::Current);
}

} // namespace
