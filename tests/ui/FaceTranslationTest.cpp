// The Traditional Chinese face: which locales get it, and that it reaches the windows.

#include "ui/main/FaceTranslation.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "fakes-ui/TestApplication.h"
#include "platform/ChineseConverter.h"
#include "runner/BackupCatalog.h"
#include "runner/BatchRunner.h"
#include "runner/DryRun.h"
#include "runner/RestoreRunner.h"
#include "runner/WizardRunner.h"
#include "ui/common/InProgress.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/BackupFrm.h"
#include "ui/dialogs/EpubFrm.h"
#include "ui/dialogs/HelpFrm.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <set>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

namespace {

// Every text a user can read in `window` and its children: titles, labels, buttons, frames, list
// entries, tabs, column headers, menu entries and tool tips; the entries of the list `rowsNotRead`
// (its headers are read) are left out.
QStringList readableTexts(QWidget* window, const QWidget* rowsNotRead = nullptr) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        texts << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            texts << frame->title();
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            texts << edit->placeholderText();
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
        }
        if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        }
        if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
        }
        if (auto* browser = qobject_cast<QTextBrowser*>(widget))
            texts << browser->toPlainText().split(u'\n');
        if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
            texts << plain->toPlainText().split(u'\n');
        const bool rowsRead = widget != rowsNotRead && widget->parentWidget() != rowsNotRead;
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model() && rowsRead) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
                    texts << model->index(row, column, view->rootIndex()).data().toString();
            }
        }
        for (const QAction* action : widget->actions())
            texts << action->text() << action->toolTip();
        if (auto* menu = qobject_cast<QMenu*>(widget))
            texts << menu->title();
    }
    return texts;
}

// The `texts` of the window `where` that the Taiwan conversion would still change: Simplified texts
// left over.
QStringList simplifiedIn(const QString& where, const QStringList& texts) {
    QStringList left;
    for (const QString& text : texts) {
        for (const QString& line : text.split(u'\n')) {
            if (ChineseConverter::instance().convert(line, ChineseConverter::ToTraditional) != line)
                left << where + QStringLiteral(": ") + line;
        }
    }
    left.removeDuplicates();
    return left;
}

QStringList simplifiedLeft(QWidget* window, const QWidget* rowsNotRead = nullptr) {
    return simplifiedIn(window->objectName(), readableTexts(window, rowsNotRead));
}

} // namespace

class FaceTranslationTest : public QObject {
    Q_OBJECT

private slots:
    void traditionalLocalesAreRecognized_data();
    void traditionalLocalesAreRecognized();
    void simplifiedLocaleInstallsNothing();
    void taiwanLocaleShowsTheMainWindowInTraditional();
    void everyWindowReadsInTraditional();
    void batchWindowsReadInTraditional();
    void progressRowsReadInTraditional();
};

void FaceTranslationTest::traditionalLocalesAreRecognized_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("traditional");
    QTest::newRow("Taiwan") << "zh_TW" << true;
    QTest::newRow("Hong Kong") << "zh_HK" << true;
    QTest::newRow("Macau") << "zh_MO" << true;
    QTest::newRow("mainland China") << "zh_CN" << false;
    QTest::newRow("Singapore writes Simplified") << "zh_SG" << false;
    QTest::newRow("not Chinese: the Simplified source") << "en_US" << false;
}

void FaceTranslationTest::traditionalLocalesAreRecognized() {
    QFETCH(QString, locale);
    QFETCH(bool, traditional);
    QCOMPARE(FaceTranslation::wantsTraditional(QLocale(locale)), traditional);
}

void FaceTranslationTest::simplifiedLocaleInstallsNothing() {
    QVERIFY(!FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_CN"))));
    QCOMPARE(QCoreApplication::translate("MainFrm", "文件 [&F]"), QStringLiteral("文件 [&F]"));
}

void FaceTranslationTest::taiwanLocaleShowsTheMainWindowInTraditional() {
    QVERIFY(FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_TW"))));
    TestApplication t;
    QVERIFY(t.start());
    // Term corrections on top of the character conversion: 文件 → 檔案, 帮助 → 說明, 向导 → 精靈.
    QCOMPARE(child<QMenu>(t.main(), "menu_file")->title(), QStringLiteral("檔案 [&F]"));
    QCOMPARE(child<QMenu>(t.main(), "menu_help")->title(), QStringLiteral("說明 [&H]"));
    QCOMPARE(child<QAction>(t.main(), "menu_fastwork")->text(), QStringLiteral("快速處理精靈... [&W]"));
    t.quit();
}

// Each window as a user opens it, with texts set at run time (a file clicked, the advanced options
// shown, every options page): no text is left that the Taiwan conversion would change.
void FaceTranslationTest::everyWindowReadsInTraditional() {
    QVERIFY(FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_TW"))));
    TestApplication t;
    QVERIFY(t.start());
    TestApplication::writeFile(t.filesFolder() + QStringLiteral("a.txt"), "abc\r\n");
    TestApplication::writeFile(t.filesFolder() + QStringLiteral("b.bin"), QByteArray("\x00\x01", 2));
    MainFrm* main = t.main();
    QVERIFY(main->openFolder(t.filesFolder()));
    main->chooseType(2);
    fileList(main)->setColumnShown(FileListView::EncodingColumn, true);
    fileList(main)->setColumnShown(FileListView::LineEndColumn, true);
    fileList(main)->readAllFormats();
    fileList(main)->columnMenu();
    main->previewEntry(0);
    QStringList left = simplifiedLeft(main);
    main->previewEntry(1);
    left << simplifiedLeft(main);

    main->previewEntry(0);
    main->openPreview();
    if (QWidget* preview = DialogTest::shownWindow<QWidget>(QStringLiteral("PreviewChangeFrm"))) {
        left << simplifiedLeft(preview);
        preview->close();
    } else {
        left << QStringLiteral("PreviewChangeFrm did not open");
    }

    const std::pair<void (MainFrm::*)(), const char*> windows[] = {
        {&MainFrm::openMerge, "MergeFrm"},    {&MainFrm::openRename, "RenameFrm"}, {&MainFrm::openReplace, "Replace"},
        {&MainFrm::openOptions, "FrmOption"}, {&MainFrm::openWizard, "FastWork"},  {&MainFrm::openHelp, "HelpFrm"},
    };
    for (const auto& [open, name] : windows) {
        fileList(main)->setSelected(0, true);
        (main->*open)();
        QWidget* window = DialogTest::shownWindow<QWidget>(QString::fromLatin1(name));
        if (!window) {
            left << QString::fromLatin1(name) + QStringLiteral(" did not open");
            continue;
        }
        if (auto* tabs = window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))) {
            for (int i = 0; i < tabs->count(); ++i)
                tabs->setCurrentIndex(i);
        }
        if (auto* advanced = window->findChild<QAbstractButton*>(QStringLiteral("CmdAdv")))
            advanced->click();
        left << simplifiedLeft(window);
        if (auto* cancel = window->findChild<QAbstractButton*>(QStringLiteral("CmdCancel")))
            cancel->click();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    AboutFrm about(main);
    left << simplifiedLeft(&about);

    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    t.quit();
}

// The windows around a batch: the progress window once it is over (its summing-up row, not the
// batch's own rows, which read alike in every face), the undo question, the backups window with a
// batch and its restore listed (commands in the menu's words, both marks), the e-book dialog with a
// book whose headings read alike in both faces (the headings are the book's words, not the window's).
void FaceTranslationTest::batchWindowsReadInTraditional() {
    QVERIFY(FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_TW"))));
    TestApplication t;
    QVERIFY(t.start());
    TestApplication::writeFile(t.filesFolder() + QStringLiteral("a.txt"), "中 文\r\n");
    TestApplication::writeFile(t.filesFolder() + QStringLiteral("book.txt"),
                               "《西游》\n作者：吴承恩\n第一回 山中\n正文一。\n第二回 花果\n正文二。\n");
    MainFrm* main = t.main();
    QVERIFY(main->openFolder(t.filesFolder()));
    DialogTest::selectInMain(main, {QStringLiteral("a.txt")});
    main->runBatch(BatchCommand::RemoveSpaces);
    InProgress* progress = t.app().inProgress();
    QStringList left = simplifiedLeft(progress, child<QTreeWidget>(progress, "LVResults"));
    const int rows = child<QTreeWidget>(progress, "LVResults")->topLevelItemCount();
    QVERIFY(rows > 0);
    left << simplifiedIn(QStringLiteral("InProgress summing-up"),
                         {child<QTreeWidget>(progress, "LVResults")->topLevelItem(rows - 1)->text(0)});
    progress->acknowledge();

    t.messages().clear();
    child<QAction>(main, "menu_undobatch")->trigger();
    progress->acknowledge();
    QVERIFY(!t.messages().shown().isEmpty());
    for (const ScriptedMessageProvider::Shown& box : t.messages().shown())
        left << simplifiedIn(QStringLiteral("undo question"), {box.title, box.text});

    child<QAction>(main, "menu_backup")->trigger();
    if (auto* backups = DialogTest::shownWindow<BackupFrm>(QStringLiteral("BackupFrm"))) {
        QCOMPARE(UiTest::child<QTreeWidget>(backups, "ListBatches")->topLevelItemCount(), 2);
        left << simplifiedLeft(backups);
        UiTest::child<QPushButton>(backups, "CmdClose")->click();
    } else {
        left << QStringLiteral("BackupFrm did not open");
    }

    DialogTest::selectInMain(main, {QStringLiteral("book.txt")});
    child<QAction>(main, "menu_epub")->trigger();
    if (auto* epub = DialogTest::shownWindow<EpubFrm>(QStringLiteral("EpubFrm"))) {
        QVERIFY(UiTest::child<QTreeWidget>(epub, "TreeChapters")->topLevelItemCount() > 0);
        left << simplifiedLeft(epub);
        UiTest::child<QPushButton>(epub, "CmdCancel")->click();
    } else {
        left << QStringLiteral("EpubFrm did not open");
    }
    DialogTest::settle();

    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    t.quit();
}

// The progress window's rows in the Traditional face, from real batches: a file done, one left
// unchanged, one refused, one gone (an error) and the total time; a note beside an overwritten file
// and its question; a restore; a restore's and a command's dry run; the wizard's stages and the
// sources it moved into the backups. No word of theirs is left that the Taiwan conversion would
// change; a file's name is shown as it is, Simplified characters and all.
void FaceTranslationTest::progressRowsReadInTraditional() {
    QVERIFY(FaceTranslation::install(*qApp, QLocale(QStringLiteral("zh_TW"))));
    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + QStringLiteral("spaced.txt"), "中 文\r\n");
    TestApplication::writeFile(folder + QStringLiteral("plain.txt"), "中文\r\n");
    TestApplication::writeFile(folder + QStringLiteral("binary.txt"), QByteArray("\x00\x01\x02\x03", 4));
    TestApplication::writeFile(folder + QStringLiteral("gone.txt"), "中 文\r\n");
    const QString simplifiedName = QStringLiteral("后记.txt");
    TestApplication::writeFile(folder + simplifiedName, "后 记\r\n");
    TestApplication::writeFile(folder + QStringLiteral("page.htm"), "<html><body>中文</body></html>\r\n");
    TestApplication::writeFile(folder + QStringLiteral("page.txt"), "old\r\n");
    MainFrm* main = t.main();
    QVERIFY(main->openFolder(folder));
    InProgress* progress = t.app().inProgress();
    JobEnv& env = t.app().jobEnv();

    QStringList left;
    std::set<int> outcomes;
    QStringList names; // the first column of every row
    const auto readRows = [&](const QString& batch) {
        const QTreeWidget* rows = child<QTreeWidget>(progress, "LVResults");
        for (int i = 0; i < rows->topLevelItemCount(); ++i) {
            outcomes.insert(rows->topLevelItem(i)->data(0, InProgress::OutcomeRole).toInt());
            names << rows->topLevelItem(i)->text(0);
        }
        QStringList texts = readableTexts(progress);
        texts.removeIf([&](const QString& text) { return text.endsWith(simplifiedName); });
        left << simplifiedIn(batch, texts);
        progress->acknowledge();
    };

    DialogTest::selectInMain(main, {"spaced.txt", "plain.txt", "binary.txt", "gone.txt", simplifiedName});
    QVERIFY(QFile::remove(folder + QStringLiteral("gone.txt")));
    main->runBatch(BatchCommand::RemoveSpaces);
    readRows(QStringLiteral("去除空格"));

    t.messages().clear();
    main->chooseType(1);
    DialogTest::selectInMain(main, {"page.htm"});
    main->runBatch(BatchCommand::WebPageToText);
    readRows(QStringLiteral("网页文件转换"));
    main->chooseType(0);
    child<QAction>(main, "menu_undobatch")->trigger();
    readRows(QStringLiteral("撤销上一批"));
    QVERIFY2(t.messages().shown().size() == 2, qPrintable(t.messages().texts().join(u'|')));
    for (const ScriptedMessageProvider::Shown& box : t.messages().shown())
        left << simplifiedIn(QStringLiteral("question"), {box.title, box.text});

    RestoreRequest restore;
    restore.batchId = BackupCatalog::lastToUndo(t.state().BackupFolder);
    restore.dryRun = true;
    progress->beginBatch(main);
    RestoreRunner(env).run(restore);
    readRows(QStringLiteral("恢复的预览"));

    TestApplication::writeFile(folder + QStringLiteral("again.txt"), "中 文\r\n");
    progress->beginBatch(main);
    {
        DryRun dry(env);
        BatchRequest request;
        request.command = BatchCommand::RemoveSpaces;
        request.entries = {{QStringLiteral("again.txt"), true}, {QStringLiteral("plain.txt"), true}};
        request.folder = dry.mirror(folder, {QStringLiteral("again.txt"), QStringLiteral("plain.txt")});
        BatchRunner(dry.env()).run(request);
        dry.report(false);
    }
    readRows(QStringLiteral("去除空格的预览"));

    const QString book = folder + QStringLiteral("book/");
    TestApplication::writeFile(book + QStringLiteral("1.txt"), "一\r\n");
    TestApplication::writeFile(book + QStringLiteral("2.txt"), "二\r\n");
    WizardOptions wizard;
    wizard.folder = book;
    wizard.html = false;
    wizard.newName = QStringLiteral("all");
    WizardRunner runner(env);
    QCOMPARE(runner.prepare(wizard), QString());
    progress->beginBatch(main);
    runner.run(wizard);
    readRows(QStringLiteral("快速处理向导"));

    // Every kind of row was there to be read.
    for (const Outcome outcome : {Outcome::Heading, Outcome::Summary, Outcome::Done, Outcome::Unchanged,
                                  Outcome::Preview, Outcome::Note, Outcome::Refused, Outcome::Error})
        QVERIFY2(outcomes.count(int(outcome)), qPrintable(QString::number(int(outcome))));
    QVERIFY(outcomes.count(InProgress::SummingUp));
    QVERIFY(names.contains(simplifiedName));
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u'\n')));
    t.quit();
}

QTEST_MAIN(FaceTranslationTest)
#include "FaceTranslationTest.moc"
