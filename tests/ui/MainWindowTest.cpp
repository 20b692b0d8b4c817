// The main window: the file list, sorting, selection, preview, refresh, the type filter and the
// command state, the recent folders, the links and the layout rule.

#include "ChildWidget.h"
#include "MainWindowControls.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/FolderList.h"
#include "ui/common/ScreenFit.h"
#include "ui/common/Twips.h"
#include "ui/dialogs/HelpFrm.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

namespace {

// The visible rows as "text|type|size|icon".
QStringList rowsOf(const FileListView* list) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows.append(list->text(row) + u'|' + list->subItem(row, 1) + u'|' + list->subItem(row, 2) + u'|' +
                    QString::number(list->iconNumber(row)));
    return rows;
}

QStringList namesOf(const FileListView* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->text(row));
    return names;
}

void clickHeader(FileListView* list, int column) {
    QHeaderView* header = child<QTreeView>(list, "FileListReport")->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
}

void clickEntry(FileListView* list, int row) {
    QTreeView* view = child<QTreeView>(list, "FileListReport");
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

QByteArray bytesOfSize(int size) {
    return QByteArray(size, 'x');
}

// "Custom.cfg" for the default counts (30 prefixes, 8 recent folders) with these recent folders.
QByteArray customWithRecent(const QStringList& recent, const QString& backup) {
    QByteArray bytes;
    for (int i = 0; i < 30; ++i)
        bytes += "\r\n";
    for (int i = 0; i < 8; ++i)
        bytes += (i < recent.size() ? recent[i].toUtf8() : QByteArray()) + "\r\n";
    return bytes + backup.toUtf8() + "\r\n";
}

// The captions of "最近的文档目录 [&U]", in menu order.
QStringList recentCaptions(const MainFrm* main) {
    QStringList captions;
    for (const QAction* action : child<QMenu>(main, "menu_folder")->actions())
        captions.append(action->text());
    return captions;
}

const QByteArray DefaultRecord = QByteArray::fromHex("ffff00000000f0000000e00100000d2000006b2b0000ffffffff05000700"
                                                     "1d000100");

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listShowsTypesSizesAndIcons_data();
    void listShowsTypesSizesAndIcons();
    void emptyFolderShowsTheGreenPlaceholder();
    void headerClicksToggleTheOrder();
    void sortingStaysOnAcrossRebuilds();
    void namesSortInReadingOrder();
    void selectAllSelectsEveryFileAndPreviewsTheFirst();
    void clickedEntryIsPreviewedInItsOwnEncoding();
    void previewOfAVanishedFileRefreshesAndReports();
    void changingFolderClearsThePreview();
    void formatColumnsShowWhatTheCommandsRead();
    void refreshShowsNewFilesAndReloadsThePreview();
    void largeFilePreviewShowsOnlyItsStart();
    void listKeepsEightRowsAndTheSplitterItsPlace();
    void restoredBoundsFitTheScreen_data();
    void restoredBoundsFitTheScreen();
    void helpWithoutABrowserSaysSo();
    void commandStateFollowsSelectionAndFilter_data();
    void commandStateFollowsSelectionAndFilter();
    void listAndReportViews();
    void recentFolderMenu();
    void recentFolderMenuDisabledWithoutFolders();
    void linksOpenTheWebPageAndTheMail();
    void windowKeepsItsMinimumSize();
    void fileNameColumnFollowsTheListWidth();
    void designedTexts();

private:
    std::unique_ptr<TestApplication> t;
    QString folder;
};

void MainWindowTest::init() {
    t = std::make_unique<TestApplication>();
    QVERIFY(t->start());
    folder = t->filesFolder();
    TestApplication::writeFile(folder + "a.txt", "");
    TestApplication::writeFile(folder + "b.TXT", bytesOfSize(1023));
    TestApplication::writeFile(folder + "c.txt", bytesOfSize(1024));
    TestApplication::writeFile(folder + "big.txt", bytesOfSize(10 * 1024 + 5));
    TestApplication::writeFile(folder + "page.htm", "<p>x</p>");
    TestApplication::writeFile(folder + "Page2.HTML", "<p>y</p>");
    TestApplication::writeFile(folder + "README", "r");
    TestApplication::writeFile(folder + "x.tar.gz", "z");
    QDir(folder).mkdir("sub");
    QVERIFY(t->main()->openFolder(folder));
}

void MainWindowTest::cleanup() {
    t.reset();
}

void MainWindowTest::listShowsTypesSizesAndIcons_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("text files, TXT in capitals included, sizes rounded up to whole KB")
        << 0
        << QStringList{"a.txt|文本文档|1 KB|1", "b.TXT|文本文档|1 KB|1", "big.txt|文本文档|11 KB|1",
                       "c.txt|文本文档|2 KB|1"};
    QTest::newRow("web pages, .htm and .html")
        << 1 << QStringList{"page.htm|网页文件|1 KB|2", "Page2.HTML|网页文件|1 KB|2"};
    QTest::newRow("all files: other files show their extension as type")
        << 2 << QStringList{"a.txt|文本文档|1 KB|1", "b.TXT|文本文档|1 KB|1",     "big.txt|文本文档|11 KB|1",
                            "c.txt|文本文档|2 KB|1", "page.htm|网页文件|1 KB|2",  "README||1 KB|3",
                            "x.tar.gz|gz|1 KB|3",    "Page2.HTML|网页文件|1 KB|2"};
}

void MainWindowTest::listShowsTypesSizesAndIcons() {
    QFETCH(int, filter);
    QFETCH(QStringList, rows);
    MainFrm* main = t->main();
    child<QRadioButton>(main, "TypeOpt", filter)->click();
    QVERIFY(child<QRadioButton>(main, "TypeOpt", filter)->isChecked());
    QCOMPARE(rowsOf(fileList(main)), rows);
    QCOMPARE(t->state().CurrentFolder, folder);
    QCOMPARE(fileList(main)->textColour(0), fileList(main)->palette().color(QPalette::Text));
}

void MainWindowTest::emptyFolderShowsTheGreenPlaceholder() {
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder + "sub"));
    QCOMPARE(t->state().CurrentFolder, folder + "sub/");
    QCOMPARE(fileList(main)->count(), 1);
    QCOMPARE(fileList(main)->text(0), QStringLiteral("找不到符合的文件"));
    QCOMPARE(fileList(main)->key(0), QStringLiteral("none"));
    QCOMPARE(fileList(main)->textColour(0), QColor(0, 128, 0));

    child<QAction>(main, "menu_selectall")->trigger();
    QVERIFY(!fileList(main)->isSelected(0));
    QVERIFY(preview(main)->fileName().isEmpty());
    clickEntry(fileList(main), 0);
    QVERIFY(preview(main)->fileName().isEmpty());
    QVERIFY(!child<QAction>(main, "menu_autopara")->isEnabled());
    QVERIFY(!child<QAction>(main, "menu_replace")->isEnabled());
    QVERIFY(main->fileEntries().isEmpty());
}

void MainWindowTest::headerClicksToggleTheOrder() {
    MainFrm* main = t->main();
    clickHeader(fileList(main), 2);
    // By the bytes: 0, 1023, 1024 and 10245 ("2 KB" before "11 KB").
    QCOMPARE(namesOf(fileList(main)), QStringList({"a.txt", "b.TXT", "c.txt", "big.txt"}));
    clickHeader(fileList(main), 2);
    QCOMPARE(namesOf(fileList(main)), QStringList({"big.txt", "c.txt", "b.TXT", "a.txt"}));
    clickHeader(fileList(main), 0);
    QCOMPARE(namesOf(fileList(main)), QStringList({"a.txt", "b.TXT", "big.txt", "c.txt"}));
    clickHeader(fileList(main), 0);
    QCOMPARE(namesOf(fileList(main)), QStringList({"c.txt", "big.txt", "b.TXT", "a.txt"}));

    // After start-up the list counts as sorted by name ascending: the first click sorts descending.
    TestApplication fresh;
    QVERIFY(fresh.start());
    QVERIFY(fresh.main()->openFolder(folder));
    clickHeader(fileList(fresh.main()), 0);
    QCOMPARE(namesOf(fileList(fresh.main())), QStringList({"c.txt", "big.txt", "b.TXT", "a.txt"}));
}

void MainWindowTest::sortingStaysOnAcrossRebuilds() {
    MainFrm* main = t->main();
    main->sortByColumn(0);
    child<QRadioButton>(main, "TypeOpt", 1)->click();
    QCOMPARE(namesOf(fileList(main)), QStringList({"Page2.HTML", "page.htm"}));
    child<QAction>(main, "menu_refresh")->trigger();
    QCOMPARE(namesOf(fileList(main)), QStringList({"Page2.HTML", "page.htm"}));
}

void MainWindowTest::namesSortInReadingOrder() {
    const QString chapters = folder + "sub/";
    for (const char* name : {"第10章.txt", "第2章.txt", "第一章.txt", "序章.txt", "后记.txt"})
        TestApplication::writeFile(chapters + QString::fromUtf8(name), "x");
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(chapters));
    const QStringList reading{"序章.txt", "第一章.txt", "第2章.txt", "第10章.txt", "后记.txt"};
    QCOMPARE(namesOf(fileList(main)), reading);
    clickHeader(fileList(main), 0);
    QStringList reversed = reading;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(namesOf(fileList(main)), reversed);
    clickHeader(fileList(main), 0);
    QCOMPARE(namesOf(fileList(main)), reading);
}

void MainWindowTest::selectAllSelectsEveryFileAndPreviewsTheFirst() {
    MainFrm* main = t->main();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    QTest::keyClick(main, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(fileList(main)->selectedRows(), QList<int>({0, 1, 2, 3}));
    QCOMPARE(preview(main)->fileName(), folder + "a.txt");
    QVERIFY(child<QAction>(main, "menu_autopara")->isEnabled());
    QCOMPARE(main->selectedNames(), QStringList({"a.txt", "b.TXT", "big.txt", "c.txt"}));
}

void MainWindowTest::clickedEntryIsPreviewedInItsOwnEncoding() {
    MainFrm* main = t->main();
    // "中文\r\n第二行" in GB18030.
    TestApplication::writeFile(folder + "gb.txt", QByteArray::fromHex("d6d0cec40d0ab5dab6fed0d0"));
    main->refresh();
    const int row = namesOf(fileList(main)).indexOf("gb.txt");
    clickEntry(fileList(main), row);
    QCOMPARE(preview(main)->fileName(), folder + "gb.txt");
    QCOMPARE(preview(main)->toPlainText(), QStringLiteral("中文\n第二行"));
    QCOMPARE(preview(main)->encodingText(), QStringLiteral("编码：GB18030"));
    QVERIFY(preview(main)->hasFocus() || !main->isActiveWindow());
    QVERIFY(preview(main)->isReadOnly());
}

void MainWindowTest::previewOfAVanishedFileRefreshesAndReports() {
    MainFrm* main = t->main();
    clickEntry(fileList(main), 0);
    QFile::remove(folder + "c.txt");
    clickEntry(fileList(main), 3);
    QCOMPARE(namesOf(fileList(main)), QStringList({"a.txt", "b.TXT", "big.txt"}));
    QVERIFY2(t->messages().shown().isEmpty(), "the reason shows in the preview, in no message box");
    QCOMPARE(preview(main)->toPlainText(), QStringLiteral("无法预览“c.txt”：\nNo such file or directory"));
    QVERIFY(preview(main)->showsProblem());
    QCOMPARE(preview(main)->fileName(), QString());
    QCOMPARE(preview(main)->encodingText(), QString());

    // A file that is not text says so in the same place.
    TestApplication::writeFile(folder + "c.txt", QByteArray("PK\x03\x04\x00\x00\x01\x02", 8));
    main->refresh();
    clickEntry(fileList(main), 3);
    QCOMPARE(preview(main)->toPlainText(), QStringLiteral("无法预览“c.txt”：\n不是文本文件"));
    QVERIFY(t->messages().shown().isEmpty());

    // A text file shown next looks like a text again.
    clickEntry(fileList(main), 0);
    QVERIFY(!preview(main)->showsProblem());
}

void MainWindowTest::changingFolderClearsThePreview() {
    MainFrm* main = t->main();
    clickEntry(fileList(main), 0);
    QCOMPARE(preview(main)->fileName(), folder + "a.txt");
    const QString other = folder + "sub/";
    QVERIFY(QDir().mkpath(other));
    QVERIFY(main->openFolder(other));
    QCOMPARE(preview(main)->fileName(), QString());
    QCOMPARE(preview(main)->toPlainText(), QString());
}

// Hidden until picked in the header's menu; then each file's encoding and line ends as the commands
// would read them, and the reason for a file they would refuse.
void MainWindowTest::formatColumnsShowWhatTheCommandsRead() {
    MainFrm* main = t->main();
    // "中文\r\n第二行" in GB18030, in Big5, and UTF-8 with Unix line ends.
    TestApplication::writeFile(folder + "gb.txt", QByteArray::fromHex("d6d0cec40d0ab5dab6fed0d0"));
    TestApplication::writeFile(folder + "big5.txt", QByteArray::fromHex("a4a4a4e50d0ab2c4a447a6e6"));
    TestApplication::writeFile(folder + "u8.txt", QStringLiteral("中文\n第二行\n").toUtf8());
    TestApplication::writeFile(folder + "mac.txt", QByteArray::fromHex("d6d0cec40db5dab6fed0d00d"));
    TestApplication::writeFile(folder + "bin.txt", QByteArray("\x00\x01\x02\x03", 4));
    main->refresh();
    FileListView* list = fileList(main);
    QVERIFY(!list->isColumnShown(FileListView::EncodingColumn));
    QVERIFY(!list->isColumnShown(FileListView::LineEndColumn));

    QMenu* menu = list->columnMenu();
    child<QAction>(menu, "ShowEncodingColumn")->trigger();
    child<QAction>(menu, "ShowLineEndColumn")->trigger();
    QVERIFY(list->isColumnShown(FileListView::EncodingColumn));
    list->readAllFormats();
    auto formatOf = [list](const QString& name) {
        const int row = namesOf(list).indexOf(name);
        return list->subItem(row, FileListView::EncodingColumn) + u'|' +
               list->subItem(row, FileListView::LineEndColumn);
    };
    QCOMPARE(formatOf("gb.txt"), QStringLiteral("GB18030|CR LF (Windows)"));
    QCOMPARE(formatOf("big5.txt"), QStringLiteral("Big5|CR LF (Windows)"));
    QCOMPARE(formatOf("u8.txt"), QStringLiteral("UTF-8|LF (Unix)"));
    QCOMPARE(formatOf("mac.txt"), QStringLiteral("GB18030|CR (Mac)"));
    QCOMPARE(formatOf("bin.txt"), QStringLiteral("不是文本文件|"));

    // Sorted by another column, every row keeps its own file's format.
    main->sortByColumn(FileListView::SizeColumn);
    QCOMPARE(formatOf("u8.txt"), QStringLiteral("UTF-8|LF (Unix)"));
    child<QAction>(menu, "ShowEncodingColumn")->trigger();
    QVERIFY(!list->isColumnShown(FileListView::EncodingColumn));
}

void MainWindowTest::refreshShowsNewFilesAndReloadsThePreview() {
    MainFrm* main = t->main();
    TestApplication::writeFile(folder + "a.txt", "old");
    clickEntry(fileList(main), 0);
    QCOMPARE(preview(main)->toPlainText(), QStringLiteral("old"));

    TestApplication::writeFile(folder + "a.txt", "new\r\ntext");
    TestApplication::writeFile(folder + "d.txt", "d");
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    // The preview has the focus after the click; F5 reaches the window's command all the same.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    QCOMPARE(namesOf(fileList(main)), QStringList({"a.txt", "b.TXT", "big.txt", "c.txt", "d.txt"}));
    QCOMPARE(preview(main)->toPlainText(), QStringLiteral("new\ntext"));
}

void MainWindowTest::largeFilePreviewShowsOnlyItsStart() {
    QByteArray line = QStringLiteral("　　这是一段用来测试预览速度的中文文字，每行大约五十个字。").toUtf8() + "\r\n";
    QByteArray bytes;
    while (bytes.size() < 10 * 1024 * 1024)
        bytes += line;
    TestApplication::writeFile(folder + "huge.txt", bytes);
    MainFrm* main = t->main();
    main->refresh();
    main->previewEntry(namesOf(fileList(main)).indexOf("huge.txt"));
    QCoreApplication::processEvents();
    QCOMPARE(preview(main)->fileName(), folder + "huge.txt");

    // Only the start is read, cut at a whole character, and the last line says the rest is not shown.
    QVERIFY(preview(main)->isCut());
    const QString shown = preview(main)->toPlainText();
    QVERIFY(shown.startsWith(QString::fromUtf8(line.chopped(2)) + u'\n'));
    QVERIFY2(shown.size() < 1200 * 1000, qPrintable(QString::number(shown.size())));
    QVERIFY(shown.endsWith(QStringLiteral("……（预览只显示文件开头的 1.0 MB，全文 10.0 MB，其余部分未显示）")));
    QVERIFY(!shown.contains(QChar(0xFFFD)));

    main->previewEntry(namesOf(fileList(main)).indexOf("c.txt"));
    QVERIFY(!preview(main)->isCut());
    QCOMPARE(preview(main)->toPlainText().size(), 1024);
}

void MainWindowTest::listKeepsEightRowsAndTheSplitterItsPlace() {
    MainFrm* main = t->main();
    main->resize(1500, 950);
    main->show();
    QCoreApplication::processEvents();
    const QTreeView* report = child<QTreeView>(main, "FileListReport");
    const int rowHeight = report->sizeHintForRow(0);
    QVERIFY(rowHeight > 0);
    QVERIFY2(report->viewport()->height() >= 8 * rowHeight,
             qPrintable(QString::number(report->viewport()->height()) + " / " + QString::number(rowHeight)));

    // A position the user chose comes back from its saved state.
    // The two sizes fill the splitter but for its handle.
    QSplitter* splitter = child<QSplitter>(main, "Splitter1");
    const int room = splitter->height() - splitter->handleWidth();
    splitter->setSizes({500, room - 500});
    const QByteArray saved = main->splitterState();
    splitter->setSizes({300, room - 300});
    main->setSplitterState(saved);
    QCOMPARE(splitter->sizes().first(), 500);
}

void MainWindowTest::restoredBoundsFitTheScreen_data() {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("fitted");
    QTest::newRow("bounds that fit stay") << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600);
    QTest::newRow("saved at 2x: shrunk to the screen") << QRect(0, 0, 3000, 1900) << QRect(0, 0, 1280, 800);
    QTest::newRow("off to the right and below: moved in") << QRect(1200, 700, 800, 600) << QRect(480, 200, 800, 600);
    QTest::newRow("left of the screen: moved in") << QRect(-900, 10, 800, 600) << QRect(0, 10, 800, 600);
    QTest::newRow("never below the window's minimum") << QRect(0, 0, 200, 100) << QRect(0, 0, 427, 320);
}

void MainWindowTest::restoredBoundsFitTheScreen() {
    QFETCH(QRect, wanted);
    QFETCH(QRect, fitted);
    QCOMPARE(fitToScreen(wanted, QRect(0, 0, 1280, 800), QSize(427, 320)), fitted);
}

// F1 opens the manual shipped inside the program; it explains every command of the menus.
void MainWindowTest::helpWithoutABrowserSaysSo() {
    MainFrm* main = t->main();
    QCOMPARE(child<QAction>(main, "menu_helpcontent")->shortcut(), QKeySequence(Qt::Key_F1));
    child<QAction>(main, "menu_helpcontent")->trigger();
    auto* help = child<HelpFrm>(main, "HelpFrm");
    QVERIFY(help->isVisible());
    QCOMPARE(help->shownPage(), QUrl(QStringLiteral("qrc:/manual/zh_CN/index.html")));
    const QString manual = child<QTextBrowser>(help, "TextManual")->toPlainText();
    QVERIFY(t->messages().texts().isEmpty());
    for (const char* menu : {"menu_convert", "menu_code", "menu_tools"}) {
        for (const QAction* action : child<QMenu>(main, menu)->actions()) {
            if (action->isSeparator() || action->menu() || action->text().isEmpty())
                continue;
            // The caption without its access key and dots: "合并文件... [&M]" -> "合并文件".
            QString caption = action->text();
            caption.remove(QRegularExpression(QStringLiteral("\\s*\\[&.\\]|\\.\\.\\.|…")));
            QVERIFY2(manual.contains(caption), qPrintable(caption));
        }
    }
    for (const char* topic : {"快速处理向导", "备份与恢复", "quillmar-cli", "Quillmar.cfg", "Preferences.ini"})
        QVERIFY2(manual.contains(QString::fromUtf8(topic)), topic);
    QVERIFY2(!manual.contains(QStringLiteral("http")), "no web address stands in for the manual");

    child<QAction>(main, "menu_helpcontent")->trigger();
    QCOMPARE(main->findChildren<HelpFrm*>().size(), 1);
    help->close();
}

void MainWindowTest::commandStateFollowsSelectionAndFilter_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("select");
    // menu_code, big2gb 0/1, char 0/1, html, autopara, delspace, replace | gb, big, html, autopara, space
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing selected: every file command off") << 0 << false << "000000000|00000";
    QTest::newRow("nothing selected, web filter") << 1 << false << "000000000|00000";
    QTest::newRow("text filter: all but the web-page command") << 0 << true << "111110111|11011";
    QTest::newRow("web filter: only web pages and replace") << 1 << true << "000001001|00100";
    QTest::newRow("all files: the filter decides, not the file") << 2 << true << "111111111|11111";
}

void MainWindowTest::commandStateFollowsSelectionAndFilter() {
    QFETCH(int, filter);
    QFETCH(bool, select);
    QFETCH(QString, expected);
    MainFrm* main = t->main();
    child<QRadioButton>(main, "TypeOpt", filter)->click();
    if (select) {
        // With "all files" the one web page is selected: the filter still enables the text commands.
        const int row = filter == 2 ? namesOf(fileList(main)).indexOf("page.htm") : 0;
        clickEntry(fileList(main), row);
    }
    auto bit = [](const QAction* action) {
        return action->isEnabled() ? u'1' : u'0';
    };
    QString state;
    // menu_code is the sub-menu's item.
    for (const char* name : {"menu_code", "menu_big2gb0", "menu_big2gb1", "menu_char0", "menu_char1", "menu_html",
                             "menu_autopara", "menu_delspace", "menu_replace"})
        state += bit(child<QAction>(main, name));
    state += u'|';
    for (const char* key : {"gb", "big", "html", "autopara", "space"})
        state += bit(main->toolbarButton(QString::fromLatin1(key)));
    QCOMPARE(state, expected);
    // A text command too.
    QCOMPARE(child<QAction>(main, "menu_typeset")->isEnabled(), child<QAction>(main, "menu_char", 0)->isEnabled());

    // Never touched by the selection.
    for (const char* key : {"rename", "merge", "fast", "option", "about"})
        QVERIFY(main->toolbarButton(QString::fromLatin1(key))->isEnabled());
    for (const char* name :
         {"menu_merge", "menu_rename", "menu_fastwork", "menu_option", "menu_about", "menu_selectall", "menu_refresh"})
        QVERIFY2(child<QAction>(main, name)->isEnabled(), name);
}

void MainWindowTest::listAndReportViews() {
    MainFrm* main = t->main();
    child<QAction>(main, "menu_showlist")->trigger();
    QVERIFY(!fileList(main)->isReportView());
    QVERIFY(child<QListView>(main, "FileListIcons")->isVisible());
    child<QAction>(main, "menu_selectall")->trigger();
    QVERIFY(fileList(main)->isSelected(2));
    child<QAction>(main, "menu_showdatail")->trigger();
    QVERIFY(fileList(main)->isReportView());
    QVERIFY(fileList(main)->isSelected(2)); // one selection for both views
}

void MainWindowTest::recentFolderMenu() {
    TestApplication r;
    const QString one = r.folder("one");
    const QString two = r.folder("two");
    const QString gone = r.folder("gone");
    TestApplication::writeFile(one + "x.txt", "x");
    TestApplication::writeFile(r.appFolder() + "Quillmar.cfg", DefaultRecord);
    TestApplication::writeFile(r.appFolder() + "Custom.cfg",
                               customWithRecent({one, two, gone, "", "/after/the/gap/"}, r.appFolder() + "backup/"));
    QDir(gone).removeRecursively();
    QVERIFY(r.start());
    MainFrm* main = r.main();

    QCOMPARE(r.state().CurrentFolder, one);
    QCOMPARE(recentCaptions(main), QStringList({"&1 " + one, "&2 " + two, "&3 " + gone}));
    QVERIFY(child<QMenu>(main, "menu_folder")->menuAction()->isEnabled());

    child<QAction>(main, "menu_recent", 1)->trigger();
    QCOMPARE(r.state().CurrentFolder, two);
    child<QAction>(main, "menu_recent", 2)->trigger(); // deleted since: nothing happens
    QCOMPARE(r.state().CurrentFolder, two);
    QVERIFY(r.messages().shown().isEmpty());
}

void MainWindowTest::recentFolderMenuDisabledWithoutFolders() {
    MainFrm* main = t->main();
    QVERIFY(!child<QMenu>(main, "menu_folder")->menuAction()->isEnabled());
    QCOMPARE(recentCaptions(main), QStringList{"[&1]"});
}

void MainWindowTest::linksOpenTheWebPageAndTheMail() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");
    MainFrm* main = t->main();
    QTest::mouseClick(child<QLabel>(main, "LabelLink"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>(main, "ImageLink"), Qt::LeftButton);
    child<QAction>(main, "menu_website")->trigger();
    child<QAction>(main, "menu_writer")->trigger();
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    const QUrl web(QStringLiteral("https://quillmar.example.org/"));
    QCOMPARE(catcher.urls, QList<QUrl>({web, web, web, QUrl("mailto:author@quillmar.example.org")}));
}

void MainWindowTest::windowKeepsItsMinimumSize() {
    MainFrm* main = t->main();
    main->resize(100, 100);
    QCOMPARE(main->size(), QSize(Twips::toPixels(6400), Twips::toPixels(4800)));
}

void MainWindowTest::fileNameColumnFollowsTheListWidth() {
    MainFrm* main = t->main();
    main->resize(Twips::toPixels(16000), Twips::toPixels(9000));
    QCoreApplication::processEvents();
    const int wide = fileList(main)->columnWidth(0);
    // The three columns fill the list but for the room of a scroll bar.
    const int columns = wide + fileList(main)->columnWidth(1) + fileList(main)->columnWidth(2);
    QVERIFY(qAbs(columns - (fileList(main)->width() - Twips::toPixels(400))) <= 2);
    QVERIFY(qAbs(preview(main)->geometry().bottom() + 1 + Twips::toPixels(120) - main->centralWidget()->height()) <= 1);
    QVERIFY(qAbs(preview(main)->width() + Twips::toPixels(60) - main->centralWidget()->width()) <= 1);

    // Narrower than 4000 twips: the column keeps the width it had.
    main->resize(Twips::toPixels(6400), Twips::toPixels(4800));
    QCoreApplication::processEvents();
    QVERIFY(Twips::fromPixels(fileList(main)->width()) < 4000);
    QCOMPARE(fileList(main)->columnWidth(0), wide);
}

void MainWindowTest::designedTexts() {
    MainFrm* main = t->main();
    QCOMPARE(main->windowTitle(), QStringLiteral("QuillMar 羽墨工坊 2.1"));
    QCOMPARE(child<QAction>(main, "gb"), main->toolbarButton("gb"));
    QCOMPARE(child<QLabel>(main, "ImageLink")->pixmap().size(), QSize(88, 31));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
