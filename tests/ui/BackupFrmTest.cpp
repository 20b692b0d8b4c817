// The backup window and the change preview: a batch listed with its files' state now, a restore
// that asks before overwriting a changed file, and a command previewed before it runs.

#include "ui/dialogs/BackupFrm.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "ui/dialogs/PreviewChangeFrm.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"
#include "runner/WizardRunner.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QWindow>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

using namespace DialogTest;

class BackupFrmTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("BackupFrm") ||
                widget->objectName() == QLatin1String("PreviewChangeFrm"))
                delete widget;
        }
    }
    void restoreAsksBeforeOverwritingAChangedFile();
    void previewShowsTheChangeBeforeItIsMade();
    void undoLastBatchAsksOnceAndRestoresTheNewestBatch();
    void aWizardBatchListsEachFileOnceAsItStandsNow();
};

void BackupFrmTest::restoreAsksBeforeOverwritingAChangedFile() {
    TestApplication t;
    QVERIFY(t.start());
    const QString file = t.filesFolder() + QStringLiteral("a.txt");
    t.writeFile(file, "中 文\r\n");
    t.main()->openFolder(t.filesFolder());
    selectInMain(t.main(), {QStringLiteral("a.txt")});
    t.main()->runBatch(BatchCommand::RemoveSpaces);
    t.app().inProgress()->acknowledge();
    t.writeFile(file, "mine\r\n");

    child<QAction>(t.main(), "menu_backup")->trigger();
    QPointer<BackupFrm> window = shownWindow<BackupFrm>(QStringLiteral("BackupFrm"));
    QVERIFY(window);
    QTreeWidget* batches = child<QTreeWidget>(window, "ListBatches");
    QCOMPARE(batches->topLevelItemCount(), 1);
    QCOMPARE(batches->topLevelItem(0)->text(1), QStringLiteral("去除空格"));
    QCOMPARE(child<QTreeWidget>(window, "ListFiles")->topLevelItem(0)->text(2), QStringLiteral("已改动"));
    saveShot(window, QStringLiteral("BackupFrm"));

    QPushButton* restore = child<QPushButton>(window, "CmdRestore");
    t.messages().queue({MessageProvider::Answer::No});
    restore->click();
    // Its close box does nothing while the rows of its batch wait: the main window stays disabled.
    window->windowHandle()->close();
    settle();
    QVERIFY(window && window->isVisible());
    QVERIFY(!t.main()->isEnabled());
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(file), QByteArray("mine\r\n"));

    t.messages().queue({MessageProvider::Answer::Yes});
    restore->click();
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(file), QByteArray("中 文\r\n"));
    QCOMPARE(batches->topLevelItemCount(), 2);
    QVERIFY(batches->topLevelItem(0)->text(1).startsWith(QStringLiteral("恢复 ")));
    const QString restored = batches->topLevelItem(1)->toolTip(0);
    QCOMPARE(batches->topLevelItem(0)->text(5), QStringLiteral("恢复 %1 的操作").arg(restored));
    QVERIFY(batches->topLevelItem(1)->text(5).startsWith(QStringLiteral("已恢复")));

    // Deleting the restore's batch asks first.
    t.messages().queue({MessageProvider::Answer::Yes});
    child<QPushButton>(window, "CmdDelete")->click();
    QCOMPARE(batches->topLevelItemCount(), 1);
    child<QPushButton>(window, "CmdClose")->click();
    settle();
    QVERIFY(t.main()->isEnabled());
}

void BackupFrmTest::undoLastBatchAsksOnceAndRestoresTheNewestBatch() {
    TestApplication t;
    QVERIFY(t.start());
    const QString file = t.filesFolder() + QStringLiteral("a.txt");
    t.writeFile(file, "中 文\r\n");
    t.main()->openFolder(t.filesFolder());
    selectInMain(t.main(), {QStringLiteral("a.txt")});
    t.main()->runBatch(BatchCommand::RemoveSpaces);
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(file), QByteArray("中文\r\n"));

    QAction* undo = child<QAction>(t.main(), "menu_undobatch");
    QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    t.messages().queue({MessageProvider::Answer::No});
    undo->trigger();
    QCOMPARE(t.readFile(file), QByteArray("中文\r\n")); // answered No
    t.messages().queue({MessageProvider::Answer::Yes});
    undo->trigger();
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(file), QByteArray("中 文\r\n"));
}

// The wizard journals the merged file at every stage and the page's text it merges away: the list
// still shows each file once, as the batch left it, and restoring the one selected brings it back.
void BackupFrmTest::aWizardBatchListsEachFileOnceAsItStandsNow() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("a.htm"), "<p>第一章</p>\r\n");
    t.writeFile(t.filesFolder() + QStringLiteral("b.txt"), "第二章\r\n中 文\r\n");
    WizardOptions o;
    o.folder = t.filesFolder();
    o.deleteHtml = true;
    o.newName = QStringLiteral("书.txt");
    o.para = o.space = true;
    t.app().inProgress()->beginBatch(t.main());
    WizardRunner(t.app().jobEnv()).run(o);
    t.app().inProgress()->acknowledge();

    child<QAction>(t.main(), "menu_backup")->trigger();
    QPointer<BackupFrm> window = shownWindow<BackupFrm>(QStringLiteral("BackupFrm"));
    QVERIFY(window);
    QTreeWidget* files = child<QTreeWidget>(window, "ListFiles");
    QStringList rows;
    for (int i = 0; i < files->topLevelItemCount(); ++i)
        rows.append(files->topLevelItem(i)->text(0) + u' ' + files->topLevelItem(i)->text(2));
    rows.sort();
    QCOMPARE(rows, QStringList({QStringLiteral("a.htm 未改动"), QStringLiteral("b.txt 未改动"),
                                QStringLiteral("书.txt 未改动")}));

    files->setCurrentItem(files->findItems(QStringLiteral("b.txt"), Qt::MatchExactly).value(0));
    child<QPushButton>(window, "CmdRestore")->click();
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(t.filesFolder() + QStringLiteral("b.txt")), QByteArray("第二章\r\n中 文\r\n"));
    QVERIFY2(!QFile::exists(t.filesFolder() + QStringLiteral("a.htm")), "only the file selected");
}

void BackupFrmTest::previewShowsTheChangeBeforeItIsMade() {
    TestApplication t;
    QVERIFY(t.start());
    const QString file = t.filesFolder() + QStringLiteral("a.txt");
    t.writeFile(file, "第一行\r\n中 文\r\n");
    t.main()->openFolder(t.filesFolder());
    QVERIFY(preview(t.main())->loadFile(file));
    selectInMain(t.main(), {QStringLiteral("a.txt")});

    child<QAction>(t.main(), "menu_preview")->trigger();
    QPointer<PreviewChangeFrm> window = shownWindow<PreviewChangeFrm>(QStringLiteral("PreviewChangeFrm"));
    QVERIFY(window);
    child<QComboBox>(window, "ComboCommand")->setCurrentIndex(1);
    QCOMPARE(child<QTextEdit>(window, "TextAfter")->toPlainText(), QStringLiteral("第一行\n中文\n"));
    QCOMPARE(child<QLabel>(window, "LabelSummary")->text(), QStringLiteral("1 行、1 个字符将改变"));
    QCOMPARE(t.readFile(file), QByteArray("第一行\r\n中 文\r\n"));
    saveShot(window, QStringLiteral("PreviewChangeFrm"));

    child<QPushButton>(window, "CmdApply")->click();
    t.app().inProgress()->acknowledge();
    QCOMPARE(t.readFile(file), QByteArray("第一行\r\n中文\r\n"));
}

QTEST_MAIN(BackupFrmTest)
#include "BackupFrmTest.moc"
