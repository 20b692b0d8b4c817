// The windows on a screen too small for them: 800x800 at a scaling of 1.6 leaves 500x500, as
// 1600x1000 at twice the scale leaves 800x500. The windows open no larger than the screen, with their
// buttons in view; the main window shares its height between the list and the preview, whose
// encoding label covers no text.

#include "DialogTestSupport.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/InProgress.h"
#include "ui/dialogs/BackupFrm.h"
#include "ui/dialogs/EpubFrm.h"
#include "ui/dialogs/MergeFrm.h"
#include "ui/main/MainFrm.h"
#include "ui/wizard/FastWork.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

namespace {

// Set before the application object exists, which reads it.
const bool scaled = qputenv("QT_SCALE_FACTOR", "1.6");

// The names of the buttons that lie partly outside `window`, and "window" when the window is taller
// or wider than the screen's available area.
QStringList outOfView(const QWidget* window, const QStringList& buttons) {
    QStringList out;
    const QRect area = window->screen()->availableGeometry();
    if (window->height() > area.height() || window->width() > area.width())
        out << QStringLiteral("window %1x%2").arg(window->width()).arg(window->height());
    for (const QString& name : buttons) {
        const auto* button = window->findChild<QPushButton*>(name);
        if (!button || !window->rect().contains(QRect(button->mapTo(window, QPoint(0, 0)), button->size())))
            out << name;
    }
    return out;
}

} // namespace

class WindowFitTest : public QObject {
    Q_OBJECT

private slots:
    void mergeDialogFits();
    void wizardFits();
    void bookAndBackupWindowsFit();
    void taskWindowsFit_data();
    void taskWindowsFit();
    void mainWindowSharesItsHeightAndKeepsTextClear();
    void progressNotesShowWhole();
};

void WindowFitTest::mergeDialogFits() {
    QVERIFY(scaled);
    TestApplication t;
    QVERIFY(t.start());
    t.main()->openFolder(t.filesFolder());
    t.main()->openMerge();
    auto* dialog = DialogTest::shownWindow<MergeFrm>(QStringLiteral("MergeFrm"));
    QVERIFY(dialog);
    QCOMPARE(outOfView(dialog, {"CmdOK", "CmnCancel"}), QStringList());
    DialogTest::deleteLeftDialogs();
}

void WindowFitTest::wizardFits() {
    TestApplication t;
    QVERIFY(t.start());
    t.main()->openFolder(t.filesFolder());
    t.main()->openWizard();
    QWidget* wizard = t.app().fastWork();
    QVERIFY(wizard && wizard->isVisible());
    QCOMPARE(outOfView(wizard, {"CmdAdv", "CmdOk", "CmdCancel"}), QStringList());
}

void WindowFitTest::bookAndBackupWindowsFit() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("book.txt"), "第一章 甲\n一。\n第二章 乙\n二。\n");
    t.main()->openFolder(t.filesFolder());
    DialogTest::selectInMain(t.main(), {QStringLiteral("book.txt")});
    t.main()->openEpub();
    auto* epub = DialogTest::shownWindow<EpubFrm>(QStringLiteral("EpubFrm"));
    QVERIFY(epub);
    QCOMPARE(outOfView(epub, {"CmdOK", "CmdCancel", "CmdMarkLine"}), QStringList());
    UiTest::child<QPushButton>(epub, "CmdCancel")->click();
    DialogTest::settle();

    t.main()->openBackups();
    auto* backups = DialogTest::shownWindow<BackupFrm>(QStringLiteral("BackupFrm"));
    QVERIFY(backups);
    QCOMPARE(outOfView(backups, {"CmdRestore", "CmdDelete", "CmdPrune", "CmdClose"}), QStringList());
    UiTest::child<QPushButton>(backups, "CmdClose")->click();
    DialogTest::settle();
}

void WindowFitTest::taskWindowsFit_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("series rename") << "RenameFrm" << QStringList{"Cmdok", "Cmdcancel"};
    QTest::newRow("manual") << "HelpFrm" << QStringList{"CmdClose"};
    QTest::newRow("change preview") << "PreviewChangeFrm" << QStringList{"CmdApply", "CmdClose"};
}

void WindowFitTest::taskWindowsFit() {
    QFETCH(QString, window);
    QFETCH(QStringList, buttons);
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("a.txt"), "第一章 甲\n一。\n");
    MainFrm* main = t.main();
    main->openFolder(t.filesFolder());
    DialogTest::selectInMain(main, {QStringLiteral("a.txt")});
    main->previewEntry(0);
    const std::pair<const char*, void (MainFrm::*)()> openers[] = {
        {"RenameFrm", &MainFrm::openRename}, {"HelpFrm", &MainFrm::openHelp}, {"PreviewChangeFrm", &MainFrm::openPreview}};
    for (const auto& [name, open] : openers) {
        if (window == QLatin1String(name))
            (main->*open)();
    }
    QWidget* shown = DialogTest::shownWindow<QWidget>(window);
    QVERIFY(shown);
    QCOMPARE(outOfView(shown, buttons), QStringList());
    shown->close();
    DialogTest::deleteLeftDialogs();
    DialogTest::settle();
}

// The window opens at its real size before the splitter is placed: placed while the window was
// still a few pixels high, the preview kept a sliver through every later resize. A preview with an
// encoding label keeps the label in a strip below its text.
void WindowFitTest::mainWindowSharesItsHeightAndKeepsTextClear() {
    TestApplication t;
    QVERIFY(t.start());
    QByteArray longLines;
    for (int line = 0; line < 40; ++line)
        longLines += QByteArray("这一段文字一直写到行尾也没有换行，").repeated(8) + "\r\n";
    t.writeFile(t.filesFolder() + QStringLiteral("long.txt"), longLines);
    MainFrm* main = t.main();
    main->openFolder(t.filesFolder());
    main->previewEntry(0);
    DialogTest::settle();

    const auto* splitter = UiTest::child<QSplitter>(main, "Splitter1");
    const QList<int> sizes = splitter->sizes();
    QVERIFY2(sizes.at(1) * 3 >= sizes.at(0) + sizes.at(1),
             qPrintable(QStringLiteral("list %1, preview %2").arg(sizes.at(0)).arg(sizes.at(1))));

    const auto* preview = UiTest::child<QPlainTextEdit>(main, "Rich1");
    const auto* label = UiTest::child<QLabel>(preview, "LabelEncoding");
    QVERIFY(label->isVisible());
    QVERIFY(!preview->viewport()->geometry().intersects(label->geometry()));
}

// The rows of a finished batch: the item column gives what its short names leave to the notes, so that
// a book check's note reads whole in the window's first size.
void WindowFitTest::progressNotesShowWhole() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("book.txt"), "第一章 甲\n一。\n第九章 丙\n九。\n");
    MainFrm* main = t.main();
    main->openFolder(t.filesFolder());
    DialogTest::selectInMain(main, {QStringLiteral("book.txt")});
    main->checkBooks();
    const auto* rows = UiTest::child<QTreeWidget>(t.app().inProgress(), "LVResults");
    QVERIFY(rows->topLevelItemCount() > 1);
    const QString note = rows->topLevelItem(0)->text(2);
    QVERIFY(note.startsWith(QStringLiteral("之前缺少")));
    QVERIFY2(rows->fontMetrics().horizontalAdvance(note) + 8 <= rows->columnWidth(2),
             qPrintable(QStringLiteral("note %1 wide, column %2")
                            .arg(rows->fontMetrics().horizontalAdvance(note))
                            .arg(rows->columnWidth(2))));
    t.app().inProgress()->acknowledge();
}

QTEST_MAIN(WindowFitTest)
#include "WindowFitTest.moc"
