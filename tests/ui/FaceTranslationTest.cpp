// The Traditional Chinese face: which locales get it, and that it reaches the windows.

#include "ui/main/FaceTranslation.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "fakes-ui/TestApplication.h"
#include "platform/ChineseConverter.h"
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

QTEST_MAIN(FaceTranslationTest)
#include "FaceTranslationTest.moc"
