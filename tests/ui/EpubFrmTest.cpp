// The e-book dialog: the chapter tree shown before building, the user's corrections reaching the
// build, the batch in the progress window; and the book check's rows from the tools menu.

#include "ui/dialogs/EpubFrm.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QWindow>

using UiTest::child;

using namespace DialogTest;

namespace {

const QByteArray Book = "《西游》\n作者：吴承恩\n上卷\n第一回 灵根\n正文一。\n第二回 菩提\n正文二。\n第九回 错号\n"
                        "正文九。\n第三回 心猿\n正文三。\n下卷\n第四回 官封\n正文四。\n番外的故事\n正文外。\n";

EpubFrm* openEpub(TestApplication& t, const QStringList& selected) {
    t.main()->openFolder(t.filesFolder());
    selectInMain(t.main(), selected);
    child<QAction>(t.main(), "menu_epub")->trigger();
    return shownWindow<EpubFrm>(QStringLiteral("EpubFrm"));
}

// The rows of TreeChapters as "heading@line", children indented by two spaces, unticked ones with a
// leading "-", doubtful ones (highlighted) with a trailing "?".
QStringList treeRows(const EpubFrm* dialog) {
    const QTreeWidget* tree = child<QTreeWidget>(dialog, "TreeChapters");
    QStringList rows;
    const auto row = [](const QTreeWidgetItem* item, const QString& indent) {
        const bool unticked = item->data(0, Qt::CheckStateRole).isValid() && item->checkState(0) == Qt::Unchecked;
        return indent + (unticked ? QStringLiteral("-") : QString()) + item->text(0) + u'@' + item->text(1) +
               (item->toolTip(0).isEmpty() ? QString() : QStringLiteral("?"));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* top = tree->topLevelItem(i);
        rows.append(row(top, QString()));
        for (int j = 0; j < top->childCount(); ++j)
            rows.append(row(top->child(j), QStringLiteral("  ")));
    }
    return rows;
}

QTreeWidgetItem* itemAtLine(const EpubFrm* dialog, const QString& line) {
    const QTreeWidget* tree = child<QTreeWidget>(dialog, "TreeChapters");
    const QList<QTreeWidgetItem*> found = tree->findItems(line, Qt::MatchExactly | Qt::MatchRecursive, 1);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class EpubFrmTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void treeAndBoxesComeFromTheBook();
    void correctionsReachTheBuild();
    void aLineWithAVolumeAndAChapterIsTickedByLevel();
    void severalFilesAreOneChapterEach();
    void bookCheckRows();
};

void EpubFrmTest::treeAndBoxesComeFromTheBook() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + "西游.txt", Book);
    EpubFrm* dialog = openEpub(t, {"西游.txt"});
    QVERIFY(dialog);
    QCheckBox* chkVertical = child<QCheckBox>(dialog, "ChkVertical");
    QVERIFY(!t.main()->isEnabled());
    QCOMPARE(treeRows(dialog), QStringList({"上卷@3", "  第一回 灵根@4", "  第二回 菩提@6", "  第九回 错号@8?",
                                            "  第三回 心猿@10", "下卷@12", "  第四回 官封@13"}));
    QCOMPARE(child<QLineEdit>(dialog, "TextTitle")->text(), QStringLiteral("西游"));
    QCOMPARE(child<QLineEdit>(dialog, "TextAuthor")->text(), QStringLiteral("吴承恩"));
    QComboBox* language = child<QComboBox>(dialog, "ComboLanguage");
    QCOMPARE(language->currentText(), QStringLiteral("zh-CN"));
    QVERIFY(!chkVertical->isEnabled());
    language->setCurrentText(QStringLiteral("zh-TW"));
    QVERIFY(chkVertical->isEnabled());
    QCOMPARE(child<QLineEdit>(dialog, "TextOutput")->text(), t.filesFolder() + "西游.epub");
    QCOMPARE(child<QSpinBox>(dialog, "SpinLine")->maximum(), 16);

    dialog->resize(1600, 1000);
    saveShot(dialog, QStringLiteral("EpubFrm-1600x1000"));
    dialog->resize(1024, 700);
    saveShot(dialog, QStringLiteral("EpubFrm-1024x700"));

    // Closing gives the main window back: enabled, reading its folder again, nothing handed over.
    t.writeFile(t.filesFolder() + "新.txt", "x\n");
    dialog->close();
    settle();
    QVERIFY(t.main()->isEnabled());
    const FileListView* list = UiTest::fileList(t.main());
    QStringList shown;
    for (int row = 0; row < list->count(); ++row)
        shown.append(list->text(row));
    QVERIFY2(shown.contains("新.txt"), qPrintable(shown.join(u',')));
    QVERIFY(t.state().SelectedFiles.isEmpty());
    QVERIFY(t.state().DialogFolder.isEmpty());
}

// Unticking the doubtful heading and marking line 15 send both to the runner; the book is built as a
// batch in the progress window, and a blank line cannot be marked.
void EpubFrmTest::correctionsReachTheBuild() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + "西游.txt", Book + "\n");
    EpubFrm* dialog = openEpub(t, {"西游.txt"});
    QVERIFY(dialog);
    itemAtLine(dialog, "8")->setCheckState(0, Qt::Unchecked);
    QSpinBox* line = child<QSpinBox>(dialog, "SpinLine");
    QPushButton* markLine = child<QPushButton>(dialog, "CmdMarkLine");
    line->setValue(15);
    QTest::mouseClick(markLine, Qt::LeftButton);
    QCOMPARE(treeRows(dialog).mid(3),
             QStringList({"  -第九回 错号@8?", "  第三回 心猿@10", "下卷@12", "  第四回 官封@13", "  番外的故事@15"}));
    line->setValue(17);
    QTest::mouseClick(markLine, Qt::LeftButton);
    QCOMPARE(t.messages().shown().size(), 1);
    QVERIFY(!itemAtLine(dialog, "17"));

    const EpubOptions options = dialog->options();
    QCOMPARE(options.edits.dropped, QSet<qint64>({8}));
    QCOMPARE(options.edits.added, QSet<qint64>({15}));
    QCOMPARE(options.inputs, QStringList({t.filesFolder() + "西游.txt"}));

    // An added heading unticked again is not added.
    itemAtLine(dialog, "15")->setCheckState(0, Qt::Unchecked);
    QVERIFY(dialog->options().edits.added.isEmpty());
    itemAtLine(dialog, "15")->setCheckState(0, Qt::Checked);

    child<QLineEdit>(dialog, "TextOutput")->setText(t.filesFolder() + "书");
    QTest::mouseClick(child<QPushButton>(dialog, "CmdOK"), Qt::LeftButton);
    InProgress* progress = t.app().inProgress();
    QCOMPARE(progressRows(*progress), QStringList({"书.epub|制作完成|"}));
    QVERIFY(QFile::exists(t.filesFolder() + "书.epub"));
    QVERIFY(!dialog->isEnabled());
    // Its close box does nothing while the rows wait: the main window stays disabled meanwhile.
    dialog->windowHandle()->close();
    QVERIFY(dialog->isVisible());
    QVERIFY(!t.main()->isEnabled());
    QTest::mouseClick(child<QPushButton>(progress, "CmdOK"), Qt::LeftButton);
    QVERIFY(dialog->isEnabled());
}

// Unticking the volume of "上卷 第一回" keeps its chapter, in the tree (also once it is filled again)
// and in what the runner gets.
void EpubFrmTest::aLineWithAVolumeAndAChapterIsTickedByLevel() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + "西游.txt", "上卷 第一回 灵根\n正文一。\n第二回 菩提\n正文二。\n");
    EpubFrm* dialog = openEpub(t, {"西游.txt"});
    QVERIFY(dialog);
    child<QTreeWidget>(dialog, "TreeChapters")->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    child<QSpinBox>(dialog, "SpinLine")->setValue(2);
    QTest::mouseClick(child<QPushButton>(dialog, "CmdMarkLine"), Qt::LeftButton);
    QCOMPARE(treeRows(dialog).mid(0, 2), QStringList({"-上卷@1", "  第一回 灵根@1"}));
    const EpubOptions options = dialog->options();
    QCOMPARE(options.edits.droppedVolumes, QSet<qint64>({1}));
    QVERIFY(options.edits.dropped.isEmpty());
}

void EpubFrmTest::severalFilesAreOneChapterEach() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + "a.txt", "第一章 开端\n正文。\n");
    t.writeFile(t.filesFolder() + "b.txt", "正文。\n");
    EpubFrm* dialog = openEpub(t, {"a.txt", "b.txt"});
    QVERIFY(dialog);
    QCOMPARE(treeRows(dialog), QStringList({"第一章 开端@", "b@"}));
    QVERIFY(!child<QPushButton>(dialog, "CmdMarkLine")->isEnabled());
    QVERIFY(dialog->options().edits.isEmpty());
}

void EpubFrmTest::bookCheckRows() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + "clean.txt", "第一章 甲\n一。\n第二章 乙\n二。\n");
    t.writeFile(t.filesFolder() + "gap.txt", "第一章 甲\n一。\n第三章 丙\n三。\n");
    t.writeFile(t.filesFolder() + "none.txt", "只是一段话。\n");
    t.main()->openFolder(t.filesFolder());
    selectInMain(t.main(), {"clean.txt", "gap.txt", "none.txt"});
    QAction* action = child<QAction>(t.main(), "menu_checkbook");
    QVERIFY(action->isEnabled());
    action->trigger();
    const InProgress& progress = *t.app().inProgress();
    QCOMPARE(progressRows(progress),
             QStringList({"clean.txt|检查完成|未发现问题", "第三章 丙|缺章|之前缺少第2章：补上缺的章节",
                          "gap.txt|检查完成|发现问题，见上面的行", "none.txt|检查完成|未找到章节标题：无从检查"}));
    // Every file checked is counted, the one with findings too.
    const QTreeWidget* results = child<QTreeWidget>(&progress, "LVResults");
    const QTreeWidgetItem* last = results->topLevelItem(results->topLevelItemCount() - 1);
    QCOMPARE(last->text(0), QStringLiteral("共 3 个文件：2 个完成，1 个保持原样"));
}

QTEST_MAIN(EpubFrmTest)
#include "EpubFrmTest.moc"
