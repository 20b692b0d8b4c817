// The main window's commands end to end: batches through the progress window, and the hand-over
// to the task windows.

#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "engine/BackupJournal.h"
#include "fakes-ui/TestApplication.h"
#include "platform/AtomicFile.h"
#include "ui/common/InProgress.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

using namespace Qt::StringLiterals;

namespace {

// The rows of the progress window as "text|status|reason|mark?" ("mark" when the row has one).
QStringList progressRows(const InProgress* window) {
    return DialogTest::progressRows(*window, 3, DialogTest::Marks::With);
}

int rowOf(const FileListView* list, const QString& name) {
    for (int row = 0; row < list->count(); ++row) {
        if (list->text(row) == name)
            return row;
    }
    return -1;
}

// A stand-in for a task dialog, with the search box of find and replace.
QDialog* fakeDialog(const QString& name) {
    auto* dialog = new QDialog;
    dialog->setObjectName(name);
    auto* combo = new QComboBox(dialog);
    combo->setObjectName(u"ComboSource"_s);
    combo->setEditable(true);
    combo->setEditText(u"kept"_s);
    return dialog;
}

const QByteArray BrokenFirst = u"　　天色已晚，他推开\r\n门走了进去。\r\n"_s.toUtf8();
const QByteArray BrokenSecond = u"这是一行很长的文字但是没有结束\r\n下一行接上了。\r\n"_s.toUtf8();

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reflowOfTwoSelectedFiles();
    void cleanRemovesTheSitesLinesAndListsThem();
    void stopButtonLeavesTheFileInWorkAsItWas();
    void webPageOverwriteAnsweredNo();
    void webPageOverwriteAnsweredYes();
    void keyboardShortcutRunsOnlyEnabledCommands();
    void renameHandsOverFolderAndSelection();
    void replacePrefillsTheSearchText_data();
    void replacePrefillsTheSearchText();
    void wizardGetsTheFolder();
    void missingTaskWindowDoesNothing();
    void aboutBoxIsModal();
    void closingTheMainWindowRunsShutdown();
    void closingDuringABatchAsksToStopIt_data();
    void closingDuringABatchAsksToStopIt();

private:
    // Converts the web page a.htm (content `page`) over an existing a.txt; the progress rows.
    QStringList convertPageOverText(const QByteArray& page);

    std::unique_ptr<TestApplication> t;
    QString folder;
};

void CommandsTest::init() {
    t = std::make_unique<TestApplication>();
    QVERIFY(t->start());
    folder = t->filesFolder();
}

void CommandsTest::cleanup() {
    t.reset();
}

void CommandsTest::cleanRemovesTheSitesLinesAndListsThem() {
    TestApplication::writeFile(folder + "一.txt", u"第1章\r\n他走了。\r\n上一章 | 目录 | 下一章\r\n"_s.toUtf8());
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    fileList(main)->setSelected(rowOf(fileList(main), "一.txt"), true);
    QVERIFY(child<QAction>(main, "menu_clean")->isEnabled());
    QCOMPARE(child<QAction>(main, "menu_clean")->text(), u"清除网站广告 [&A]"_s);

    child<QAction>(main, "menu_clean")->trigger();

    InProgress* progress = t->app().inProgress();
    QVERIFY(progress->isFinished());
    const QStringList rows = progressRows(progress);
    QCOMPARE(rows.value(0), u"文件少于 5 个，未学习网站重复行，只按清除规则|||mark"_s);
    QCOMPARE(rows.value(1), u"一.txt|完成|删除 1 行|mark"_s);
    QCOMPARE(TestApplication::readFile(folder + "一.txt"), u"第1章\r\n他走了。\r\n"_s.toUtf8());
    QTest::mouseClick(child<QPushButton>(progress, "CmdOK"), Qt::LeftButton);
}

void CommandsTest::reflowOfTwoSelectedFiles() {
    TestApplication::writeFile(folder + "一.txt", BrokenFirst);
    TestApplication::writeFile(folder + "二.txt", BrokenSecond);
    TestApplication::writeFile(folder + "三.txt", "not selected");
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    fileList(main)->setSelected(rowOf(fileList(main), "一.txt"), true);
    fileList(main)->setSelected(rowOf(fileList(main), "二.txt"), true);
    main->previewEntry(rowOf(fileList(main), "一.txt"));
    QVERIFY(child<QAction>(main, "menu_autopara")->isEnabled());
    t->state().BackupBatchOpen = true; // left over from an earlier batch

    child<QAction>(main, "menu_autopara")->trigger();

    InProgress* progress = t->app().inProgress();
    QVERIFY(progress->isVisible());
    QVERIFY(progress->isFinished());
    QCOMPARE(child<QProgressBar>(progress, "PrgBar1")->value(), 100);
    QCOMPARE(child<QLabel>(progress, "LabelStatus")->text(), u"100%"_s);
    QCOMPARE(progressRows(progress), QStringList({u"一.txt|完成||mark"_s, u"二.txt|完成||mark"_s}));
    QVERIFY(!main->isEnabled());
    QCOMPARE(t->state().ProgressOwner.data(), main);
    QCOMPARE(progress->windowHandle()->transientParent(), main->windowHandle());

    QCOMPARE(TestApplication::readFile(folder + "一.txt"), u"　　天色已晚，他推开门走了进去。\r\n"_s.toUtf8());
    QCOMPARE(TestApplication::readFile(folder + "二.txt"),
             u"这是一行很长的文字但是没有结束下一行接上了。\r\n"_s.toUtf8());
    QCOMPARE(TestApplication::readFile(folder + "三.txt"), QByteArray("not selected"));
    const QString backup = t->appFolder() + u"backup/20030705-14/000/"_s;
    QCOMPARE(TestApplication::readFile(backup + "一.txt"), BrokenFirst);
    QCOMPARE(TestApplication::readFile(backup + "二.txt"), BrokenSecond);
    QVERIFY(!QFile::exists(backup + "三.txt"));
    QCOMPARE(preview(main)->toPlainText(), u"　　天色已晚，他推开门走了进去。\n"_s);

    QTest::mouseClick(child<QPushButton>(progress, "CmdOK"), Qt::LeftButton);
    QVERIFY(main->isEnabled());
    QVERIFY(!progress->isVisible());
    QVERIFY(t->state().ProgressOwner.isNull());
    QCOMPARE(progressRows(progress), QStringList());
    // The folder heads the recent folders after the batch.
    QCOMPARE(t->state().RecentList.value(0), folder);
}

QStringList CommandsTest::convertPageOverText(const QByteArray& page) {
    TestApplication::writeFile(folder + "a.htm", page);
    TestApplication::writeFile(folder + "a.txt", "old");
    MainFrm* main = t->main();
    if (!main->openFolder(folder))
        return {u"a.htm not listed"_s};
    child<QRadioButton>(main, "TypeOpt", 1)->click();
    fileList(main)->setSelected(0, true);
    if (!child<QAction>(main, "menu_html")->isEnabled())
        return {u"menu_html disabled"_s};
    child<QAction>(main, "menu_html")->trigger();
    return progressRows(t->app().inProgress());
}

void CommandsTest::stopButtonLeavesTheFileInWorkAsItWas() {
    QByteArray big;
    while (big.size() < 8 * 1024 * 1024)
        big += BrokenFirst;
    TestApplication::writeFile(folder + "big.txt", big);
    TestApplication::writeFile(folder + "small.txt", BrokenSecond);
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    DialogTest::selectInMain(main, {u"big.txt"_s, u"small.txt"_s});
    InProgress* progress = t->app().inProgress();
    // Events run at every chance inside the file, so that even a fast machine delivers the click
    // before the file is done.
    progress->setPulseIntervalMs(0);
    // The stop is clicked once the large file's new content is being written beside it (under a
    // temporary name, so that it shows): only events that run inside that file can deliver the click
    // before the file is done.
    AtomicFile::namedOnlyForTesting(true);
    QTimer poll;
    poll.setInterval(1);
    const auto rewriting = [&] {
        return !QDir(folder).entryList({u".big.txt.*.qmtmp"_s}, QDir::Files | QDir::Hidden).isEmpty();
    };
    connect(&poll, &QTimer::timeout, [&] {
        if (rewriting() && child<QPushButton>(progress, "CmdStop")->isVisible() &&
            child<QPushButton>(progress, "CmdStop")->isEnabled())
            QTest::mouseClick(child<QPushButton>(progress, "CmdStop"), Qt::LeftButton);
    });
    poll.start();
    child<QAction>(main, "menu_autopara")->trigger();
    poll.stop();
    AtomicFile::namedOnlyForTesting(false);

    QVERIFY(progress->isFinished());
    QCOMPARE(progressRows(progress),
             QStringList({u"big.txt|未完成|已停止，文件保持原样|mark"_s, u"small.txt|未处理|已停止|mark"_s}));
    QVERIFY(TestApplication::readFile(folder + "big.txt") == big);
    QCOMPARE(TestApplication::readFile(folder + "small.txt"), BrokenSecond);
    QVERIFY(child<QPushButton>(progress, "CmdStop")->isHidden());
}

void CommandsTest::webPageOverwriteAnsweredNo() {
    t->messages().queue({MessageProvider::Answer::No});
    const QStringList rows = convertPageOverText("<html><body><p>新的</p></body></html>");

    QCOMPARE(t->messages().shown().size(), 1);
    QCOMPARE(t->messages().shown()[0].icon, MessageProvider::Icon::Question);
    QCOMPARE(t->messages().shown()[0].buttons, MessageProvider::Buttons::YesNo);
    QCOMPARE(t->messages().shown()[0].title, u"覆盖文件"_s);
    QCOMPARE(t->messages().shown()[0].text, u"请注意，文件 a.txt已存在！是否覆盖该文件？"_s);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], u"a.htm|用户中止|文件已存在|mark"_s);
    QCOMPARE(rows[1], u"a.htm|未完成||mark"_s);
    QCOMPARE(rows[2], u"总时间：0.00 秒|||mark"_s); // a failed file adds nothing to the total
    QCOMPARE(TestApplication::readFile(folder + "a.txt"), QByteArray("old"));
}

void CommandsTest::webPageOverwriteAnsweredYes() {
    const QStringList rows = convertPageOverText("<html><body><p>new text</p></body></html>");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], u"a.htm|覆盖原有文件|文件已存在|mark"_s);
    QVERIFY2(rows[1].startsWith(u"a.htm|完成|"_s) && rows[1].endsWith(u" 秒|mark"_s), qPrintable(rows[1]));
    QVERIFY(rows[2].startsWith(u"总时间："_s));
    QVERIFY(TestApplication::readFile(folder + "a.txt").contains("new text"));
    // The ".txt" that the page replaced is kept in the batch's backup folder.
    QCOMPARE(TestApplication::readFile(t->appFolder() + u"backup/20030705-14/000/a.txt"_s), QByteArray("old"));
}

void CommandsTest::keyboardShortcutRunsOnlyEnabledCommands() {
    TestApplication::writeFile(folder + "a.txt", "這個"); // Traditional: the GB command changes it
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    QTest::keyClick(main, Qt::Key_J, Qt::ControlModifier); // nothing selected: disabled
    QVERIFY(!t->app().inProgress()->isVisible());

    fileList(main)->setSelected(0, true);
    QTest::keyClick(main, Qt::Key_J, Qt::ControlModifier);
    QVERIFY(t->app().inProgress()->isVisible());
    QCOMPARE(progressRows(t->app().inProgress()), QStringList({u"a.txt|完成||mark"_s}));
}

void CommandsTest::renameHandsOverFolderAndSelection() {
    TestApplication::writeFile(folder + "a.txt", "a");
    TestApplication::writeFile(folder + "b.txt", "b");
    TestApplication::writeFile(folder + "c.txt", "c");
    QPointer<QDialog> dialog;
    t->app().taskWindows().rename = [&dialog](Application&) -> QWidget* {
        return dialog = fakeDialog(u"RenameFrm"_s);
    };
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));

    child<QAction>(main, "menu_rename")->trigger();
    QCOMPARE(t->state().SelectedFiles, QStringList({QString()}));
    QCOMPARE(t->state().DialogFolder, folder);
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!main->isEnabled());
    QVERIFY(dialog->isEnabled());
    QCOMPARE(dialog->windowHandle()->transientParent(), main->windowHandle());
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    main->setEnabled(true);
    dialog->close();
    QTRY_VERIFY(dialog.isNull());

    fileList(main)->setSelected(2, true);
    fileList(main)->setSelected(0, true);
    main->toolbarButton(u"rename"_s)->trigger();
    QCOMPARE(t->state().SelectedFiles, QStringList({u"a.txt"_s, u"c.txt"_s}));
}

void CommandsTest::replacePrefillsTheSearchText_data() {
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QString>("searchText");
    // The preview shows "第一行 abc\n𠍀字".
    QTest::newRow("selected text goes into the search box") << 4 << 3 << u"abc"_s;
    QTest::newRow("no selection: the character after the caret") << 2 << 0 << u"行"_s;
    QTest::newRow("a blank after the caret leaves the box alone") << 3 << 0 << u"kept"_s;
    QTest::newRow("the end of a line leaves the box alone") << 7 << 0 << u"kept"_s;
    QTest::newRow("a four-byte character is taken whole") << 8 << 0 << u"𠍀"_s;
    QTest::newRow("caret at position 1 leaves the box alone") << 1 << 0 << u"kept"_s;
}

void CommandsTest::replacePrefillsTheSearchText() {
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    QFETCH(QString, searchText);
    TestApplication::writeFile(folder + "a.txt", u"第一行 abc\r\n𠍀字"_s.toUtf8());
    QPointer<QDialog> dialog;
    t->app().taskWindows().replace = [&dialog](Application&) -> QWidget* {
        return dialog = fakeDialog(u"Replace"_s);
    };
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    main->previewEntry(0);
    fileList(main)->setSelected(0, true);
    QTextCursor cursor = preview(main)->textCursor();
    cursor.setPosition(selectionStart);
    cursor.setPosition(selectionStart + selectionLength, QTextCursor::KeepAnchor);
    preview(main)->setTextCursor(cursor);

    child<QAction>(main, "menu_replace")->trigger();
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(dialog, "ComboSource")->currentText(), searchText);
    QCOMPARE(t->state().ProgressOwner.data(), main);
    QCOMPARE(t->state().SelectedFiles, QStringList({u"a.txt"_s}));
    QVERIFY(!main->isEnabled());
    QCOMPARE(preview(main)->textCursor().selectionEnd() - preview(main)->textCursor().selectionStart(),
             selectionLength);
}

void CommandsTest::wizardGetsTheFolder() {
    TestApplication w;
    QString handedOver;
    QPointer<QWidget> wizard;
    w.app().taskWindows().wizard = [&wizard](Application&) -> QWidget* {
        return wizard = new QWidget;
    };
    w.app().taskWindows().wizardOpenFolder = [&handedOver](QWidget*, const QString& f) {
        handedOver = f;
    };
    QVERIFY(w.start());
    QVERIFY(w.main()->openFolder(w.filesFolder()));
    QVERIFY(wizard->isHidden());

    child<QAction>(w.main(), "menu_fastwork")->trigger();
    QCOMPARE(handedOver, w.filesFolder());
    QCOMPARE(w.state().DialogFolder, w.filesFolder());
    QVERIFY(wizard->isVisible());
    QVERIFY(!w.main()->isEnabled());
    QVERIFY(!wizard->testAttribute(Qt::WA_DeleteOnClose)); // the wizard lives until shutdown
}

void CommandsTest::missingTaskWindowDoesNothing() {
    TestApplication bare;
    bare.app().taskWindows() = TaskWindows();
    QVERIFY(bare.start());
    MainFrm* main = bare.main();
    QVERIFY(bare.app().fastWork() == nullptr);
    child<QAction>(main, "menu_merge")->trigger();
    child<QAction>(main, "menu_option")->trigger();
    child<QAction>(main, "menu_fastwork")->trigger();
    QVERIFY(main->isEnabled());
}

void CommandsTest::aboutBoxIsModal() {
    MainFrm* main = t->main();
    QString version;
    QStringList row;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<AboutFrm*>(QApplication::activeModalWidget());
        if (!about)
            return;
        modal = about->isModal();
        version = UiTest::child<QLabel>(about, "Label1")->text();
        const QTreeWidgetItem* item = UiTest::child<QTreeWidget>(about, "LV1")->topLevelItem(0);
        row = QStringList({item->text(1), item->text(2)});
        about->close();
    });
    child<QAction>(main, "menu_about")->trigger();
    QVERIFY(modal);
    QCOMPARE(version, u"Version 2.1"_s);
    QCOMPARE(row, QStringList({u"建议增加替换去除字符功能"_s, u"2003.7.5"_s}));
    QVERIFY(main->isEnabled());
}

void CommandsTest::closingTheMainWindowRunsShutdown() {
    QSignalSpy finished(&t->app(), &Application::finished);
    child<QAction>(t->main(), "menu_quit")->trigger();
    QCOMPARE(finished.count(), 1);
    QVERIFY(QFile::exists(t->appFolder() + u"Quillmar.cfg"_s));
}

void CommandsTest::closingDuringABatchAsksToStopIt_data() {
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("changed");
    QTest::newRow("answered No: the batch and the window go on")
        << false << QStringList{u"第1章.txt|完成|"_s, u"第2章.txt|完成|"_s, u"第3章.txt|完成|"_s}
        << QStringList{u"第1章.txt"_s, u"第2章.txt"_s, u"第3章.txt"_s};
    QTest::newRow("answered Yes: the batch stops, then the window closes")
        << true << QStringList{u"第1章.txt|完成|"_s, u"第2章.txt|未处理|已停止"_s, u"第3章.txt|未处理|已停止"_s}
        << QStringList{u"第1章.txt"_s};
}

void CommandsTest::closingDuringABatchAsksToStopIt() {
    QFETCH(bool, stop);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, changed);
    const QStringList names{u"第1章.txt"_s, u"第2章.txt"_s, u"第3章.txt"_s};
    for (const QString& name : names)
        TestApplication::writeFile(folder + name, BrokenFirst);
    MainFrm* main = t->main();
    QVERIFY(main->openFolder(folder));
    DialogTest::selectInMain(main, names);
    InProgress* progress = t->app().inProgress();
    const QTreeWidget* results = child<QTreeWidget>(progress, "LVResults");
    QVERIFY(main->windowHandle());
    // The user closes the main window once the first file's row shows. The close is queued as the
    // window system's would be: it arrives with the events the batch lets run before its next file
    // (the windows work on one file after another), whatever the machine's speed.
    connect(
        results->model(), &QAbstractItemModel::rowsInserted, main,
        [main] {
            QMetaObject::invokeMethod(
                main, [main] { main->windowHandle()->close(); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    t->messages().queue({stop ? MessageProvider::Answer::Yes : MessageProvider::Answer::No});
    QSignalSpy finished(&t->app(), &Application::finished);

    child<QAction>(main, "menu_autopara")->trigger();

    QCOMPARE(t->messages().texts(), QStringList{u"正在处理文件。要停止这批处理吗？"_s});
    QVERIFY(progress->isFinished());
    QCOMPARE(DialogTest::progressRows(*progress), rows);
    const QString summingUp = results->topLevelItem(results->topLevelItemCount() - 1)->text(0);
    QCOMPARE(summingUp.startsWith(u"已停止"_s), stop);
    for (const QString& name : names) {
        const QByteArray expected =
            changed.contains(name) ? u"　　天色已晚，他推开门走了进去。\r\n"_s.toUtf8() : BrokenFirst;
        QVERIFY2(TestApplication::readFile(folder + name) == expected, qPrintable(name));
    }
    // The batch's journal is whole: its end is written, and it names exactly the files it changed.
    const BackupJournal::Contents journal = BackupJournal::read(t->appFolder() + u"backup/20030705-14/000/"_s);
    QVERIFY(journal.present);
    QVERIFY(journal.header.ended.isValid());
    QCOMPARE(journal.damage, QStringList());
    QStringList journalled;
    for (const JournalEntry& entry : journal.entries) {
        QVERIFY(entry.finished);
        journalled.append(entry.name);
    }
    QCOMPARE(journalled, changed);

    // The window closes (the program's shutdown) only after the batch has ended.
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), stop ? 1 : 0);
    QCOMPARE(main->isVisible(), !stop);
}

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
