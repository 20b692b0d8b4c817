// The program among the desktop's other programs: files and folders dropped from a file manager on
// the main window and on the merge list, and the file list following changes made on disk.

#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/FileListBox.h"
#include "ui/common/FolderList.h"
#include "ui/dialogs/MergeFrm.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <QUrl>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

using namespace DialogTest;

namespace {

// A drop as a file manager makes it: the paths as file URLs, entering `target` and dropped there.
// True when the drop was taken.
bool dropPaths(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QStringList selectedNames(const FileListView* list) {
    QStringList names;
    for (int row : list->selectedRows())
        names.append(list->text(row));
    return names;
}

QStringList namesOf(const FileListView* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->text(row));
    return names;
}

int checkedType(const MainFrm* main) {
    for (int i = 0; i < 3; ++i) {
        if (child<QRadioButton>(main, "TypeOpt", i)->isChecked())
            return i;
    }
    return -1;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void dropOnTheMainWindow_data();
    void dropOnTheMainWindow();
    void dropOnTheMergeList_data();
    void dropOnTheMergeList();
    void fileListFollowsTheDisk();
};

// Paths are relative to the test's folder; "books" holds 1.txt, 2.txt, 3.htm, other/ 9.txt.
void DesktopTest::dropOnTheMainWindow_data() {
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<int>("type");

    QTest::newRow("files of one folder: it opens with them selected")
        << QStringList{"books/2.txt", "books/1.txt"} << "list"
        << "books" << QStringList{"1.txt", "2.txt"} << 0;
    QTest::newRow("files elsewhere than the first one's folder are left out")
        << QStringList{"books/other/9.txt", "books/1.txt"} << "list"
        << "books/other" << QStringList{"9.txt"} << 0;
    QTest::newRow("a web page lists the web pages") << QStringList{"books/3.htm"} << "preview"
                                                    << "books" << QStringList{"3.htm"} << 1;
    QTest::newRow("text files and web pages together list every file")
        << QStringList{"books/3.htm", "books/1.txt"} << "list"
        << "books" << QStringList{"1.txt", "3.htm"} << 2;
    QTest::newRow("a folder opens with nothing selected") << QStringList{"books/other"} << "window"
                                                          << "books/other" << QStringList{} << 0;
    QTest::newRow("a path that does not exist is passed over") << QStringList{"books/gone.txt", "books/2.txt"} << "list"
                                                               << "books" << QStringList{"2.txt"} << 0;
}

void DesktopTest::dropOnTheMainWindow() {
    QFETCH(QStringList, dropped);
    QFETCH(QString, target);
    QFETCH(QString, folder);
    QFETCH(QStringList, selected);
    QFETCH(int, type);

    TestApplication t;
    QVERIFY(t.start());
    const QString root = t.folder(QStringLiteral("drop"));
    for (const char* name : {"books/1.txt", "books/2.txt", "books/3.htm", "books/other/9.txt"})
        t.writeFile(root + QString::fromUtf8(name), "第一章\r\n");
    MainFrm* main = t.main();
    main->show();

    QStringList paths;
    for (const QString& path : dropped)
        paths.append(root + path);
    QWidget* widget = target == "list"      ? child<QTreeView>(main, "FileListReport")->viewport()
                      : target == "preview" ? preview(main)->viewport()
                                            : static_cast<QWidget*>(main);
    QVERIFY(dropPaths(widget, paths));

    QCOMPARE(t.state().CurrentFolder, root + folder + u'/');
    QCOMPARE(selectedNames(fileList(main)), selected);
    QCOMPARE(checkedType(main), type);
    if (!selected.isEmpty())
        QCOMPARE(preview(main)->fileName(), t.state().CurrentFolder + selected.first());
}

// The list holds 0.txt; dropped: 第10章.txt, the folder "more" (第3章.txt, 第1章.txt), 第2章.txt, 0.txt.
void DesktopTest::dropOnTheMergeList_data() {
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("sorted: chapter order")
        << true << QStringList{"0.txt", "more/第1章.txt", "第2章.txt", "more/第3章.txt", "第10章.txt"};
    QTest::newRow("unsorted: as dropped, a folder's files by name")
        << false << QStringList{"0.txt", "第10章.txt", "more/第1章.txt", "more/第3章.txt", "第2章.txt"};
}

void DesktopTest::dropOnTheMergeList() {
    QFETCH(bool, sorted);
    QFETCH(QStringList, expected);

    TestApplication t;
    QVERIFY(t.start());
    const QString root = t.folder(QStringLiteral("merge"));
    for (const char* name : {"0.txt", "第10章.txt", "第2章.txt", "more/第3章.txt", "more/第1章.txt", "more/x.htm"})
        t.writeFile(root + QString::fromUtf8(name), "x\r\n");
    t.main()->openFolder(root);
    t.main()->openMerge();
    auto* dialog = shownWindow<MergeFrm>(QStringLiteral("MergeFrm"));
    QVERIFY(dialog);
    QListWidget* list1 = child<QListWidget>(dialog, "List1");
    child<QCheckBox>(dialog, "ChkSorted")->setChecked(sorted);
    child<FileListBox>(dialog, "File1")->item(0)->setSelected(true);
    dialog->add();

    QVERIFY(dropPaths(list1->viewport(), {root + "第10章.txt", root + "more", root + "第2章.txt", root + "0.txt"}));
    QStringList listed;
    for (int i = 0; i < list1->count(); ++i)
        listed.append(list1->item(i)->text().remove(root));
    QCOMPARE(listed, expected);
    QVERIFY(child<QPushButton>(dialog, "CmdOK")->isEnabled());
}

void DesktopTest::fileListFollowsTheDisk() {
    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.folder(QStringLiteral("watched"));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.writeFile(folder + QString::fromUtf8(name), "x\r\n");
    MainFrm* main = t.main();
    main->show();
    QVERIFY(main->openFolder(folder));
    main->selectNames({"b.txt"});

    // Another program adds, removes and renames files: the list follows, the selection stays.
    t.writeFile(folder + "d.txt", "y\r\n");
    QVERIFY(QFile::remove(folder + "a.txt"));
    QVERIFY(QFile::rename(folder + "c.txt", folder + "e.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(fileList(main)), (QStringList{"b.txt", "d.txt", "e.txt"}), 1000);
    QCOMPARE(selectedNames(fileList(main)), QStringList{"b.txt"});

    // While a batch or a dialog keeps the window disabled the list stays as the batch took it.
    main->setEnabled(false);
    t.writeFile(folder + "f.txt", "z\r\n");
    QTest::qWait(700);
    QCOMPARE(namesOf(fileList(main)).size(), 3);
    main->setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(fileList(main)), (QStringList{"b.txt", "d.txt", "e.txt", "f.txt"}), 1000);
    QCOMPARE(selectedNames(fileList(main)), QStringList{"b.txt"});
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
