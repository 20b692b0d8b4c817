// The series rename dialog: the live preview, the start number, and renaming only a plan that
// has no conflict.

#include "ui/dialogs/RenameFrm.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using UiTest::child;
using UiTest::fileList;
using UiTest::preview;

using namespace DialogTest;

namespace {

// Opens the dialog from the main window on `folder` with the entries `selected` of its list.
RenameFrm* openRename(TestApplication& t, const QString& folder, const QStringList& selected) {
    t.main()->openFolder(folder);
    selectInMain(t.main(), selected);
    t.main()->openRename();
    return shownWindow<RenameFrm>(QStringLiteral("RenameFrm"));
}

QStringList column(const RenameFrm* dialog, int index) {
    const QTreeWidget* preview = child<QTreeWidget>(dialog, "LViewMain");
    QStringList texts;
    for (int i = 0; i < preview->topLevelItemCount(); ++i)
        texts.append(preview->topLevelItem(i)->text(index));
    return texts;
}

void typeTemplate(RenameFrm* dialog, const QString& text) {
    QComboBox* combo1 = child<QComboBox>(dialog, "Combo1");
    combo1->setEditText(QString());
    QTest::keyClicks(combo1, text);
}

} // namespace

class RenameFrmTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void preview();
    void startNumber_data();
    void startNumber();
    void refusedConflictRenamesNothing_data();
    void refusedConflictRenamesNothing();
    void renameRefreshesTheMainList();
    void nothingSelectedListsTheFolder();
    void numbersFollowTheMainListOrder_data();
    void numbersFollowTheMainListOrder();
};

void RenameFrmTest::preview() {
    TestApplication t;
    QVERIFY(t.start());
    const QStringList names{"a.txt", "b.TXT", "c.htm"};
    for (const QString& name : names)
        t.writeFile(t.filesFolder() + name, "x");
    t.main()->chooseType(2);
    RenameFrm* dialog = openRename(t, t.filesFolder(), names);
    QVERIFY(dialog);
    QPushButton* cmdok = child<QPushButton>(dialog, "Cmdok");
    QCOMPARE(column(dialog, 0), names);
    QCOMPARE(column(dialog, 1), QStringList({"", "", ""}));
    QVERIFY(!cmdok->isEnabled());

    child<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("998"));
    typeTemplate(dialog, QStringLiteral("  ###_*  "));
    QCOMPARE(column(dialog, 1), QStringList({"998_a.txt", "999_b.txt", "1000_c.htm"}));
    QVERIFY(cmdok->isEnabled());
    saveShot(dialog, QStringLiteral("RenameFrm"));

    // An all-blank template cannot be confirmed and leaves the preview as it was.
    child<QComboBox>(dialog, "Combo1")->setEditText(QStringLiteral("   "));
    QVERIFY(!cmdok->isEnabled());
    QCOMPARE(column(dialog, 1), QStringList({"998_a.txt", "999_b.txt", "1000_c.htm"}));
}

void RenameFrmTest::startNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("start");

    QTest::newRow("a number is taken") << "12"
                                       << "12" << 12;
    QTest::newRow("a letter puts the last number back") << "7a"
                                                        << "3" << 3;
    QTest::newRow("an empty box puts the last number back") << ""
                                                            << "3" << 3;
    QTest::newRow("spaces around are trimmed") << " -5 "
                                               << "-5" << -5;
    QTest::newRow("halves round to even, down") << "2.5"
                                                << "2.5" << 2;
    QTest::newRow("halves round to even, up") << "3.5"
                                              << "3.5" << 4;
    QTest::newRow("the lowest 32-bit number") << "-2147483648"
                                              << "-2147483648" << -2147483647 - 1;
    QTest::newRow("beyond 32 bits is refused") << "2147483648"
                                               << "3" << 3;
    QTest::newRow("infinity is no number") << "inf"
                                           << "3" << 3;
}

void RenameFrmTest::startNumber() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, start);

    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("a.txt"), "x");
    t.writeFile(t.filesFolder() + QStringLiteral("b.txt"), "x");
    RenameFrm* dialog = openRename(t, t.filesFolder(), {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(dialog);
    QLineEdit* text1 = child<QLineEdit>(dialog, "Text1");
    QCOMPARE(text1->text(), QStringLiteral("0"));
    typeTemplate(dialog, QStringLiteral("#"));
    text1->setText(QStringLiteral("3"));

    text1->setText(typed);
    QCOMPARE(text1->text(), shown);
    QCOMPARE(dialog->renameStart(), start);
    QCOMPARE(column(dialog, 1), QStringList({QString::number(start) + QStringLiteral(".txt"),
                                             QString::number(qint64(start) + 1) + QStringLiteral(".txt")}));
}

void RenameFrmTest::refusedConflictRenamesNothing_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("nameTemplate");
    QTest::addColumn<QString>("message");
    QTest::newRow("two files given one name")
        << QStringList{"a.txt", "b.txt"} << "same"
        << "没有更改任何文件名：\n“a.txt”和“b.txt”将得到同一个新文件名“same.txt”。";
    QTest::newRow("a new name held by a file outside the plan")
        << QStringList{"a.txt"} << "c"
        << "没有更改任何文件名：\n“a.txt”的新文件名“c.txt”已经存在。";
}

void RenameFrmTest::refusedConflictRenamesNothing() {
    QFETCH(QStringList, selected);
    QFETCH(QString, nameTemplate);
    QFETCH(QString, message);

    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        t.writeFile(f + QLatin1String(name), name);
    RenameFrm* dialog = openRename(t, f, selected);
    QVERIFY(dialog);
    typeTemplate(dialog, nameTemplate);
    child<QPushButton>(dialog, "Cmdok")->click();
    settle();

    QCOMPARE(t.messages().texts(), QStringList{message});
    QCOMPARE(t.messages().shown().first().icon, MessageProvider::Icon::Exclamation);
    QCOMPARE(QDir(f).entryList(QDir::Files), QStringList({"a.txt", "b.txt", "c.txt"}));
    // Still open, so that the template can be changed.
    QCOMPARE(shownWindow<RenameFrm>(QStringLiteral("RenameFrm")), dialog);
    QVERIFY(!t.main()->isEnabled());
}

void RenameFrmTest::renameRefreshesTheMainList() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    t.writeFile(f + QStringLiteral("1.txt"), "one");
    t.writeFile(f + QStringLiteral("2.txt"), "two");
    QPointer<RenameFrm> dialog = openRename(t, f, {QStringLiteral("1.txt"), QStringLiteral("2.txt")});
    QVERIFY(dialog);
    // 1.txt takes the name that 2.txt gives up in the same plan.
    child<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("2"));
    typeTemplate(dialog, QStringLiteral("#"));
    child<QPushButton>(dialog, "Cmdok")->click();
    settle();

    QVERIFY(dialog.isNull());
    QCOMPARE(t.messages().texts(), QStringList{QStringLiteral("将更名 2 个文件。是否继续？")});
    QCOMPARE(t.readFile(f + QStringLiteral("2.txt")), QByteArray("one"));
    QCOMPARE(t.readFile(f + QStringLiteral("3.txt")), QByteArray("two"));
    QVERIFY(t.main()->isEnabled());
    QCOMPARE(fileList(t.main())->count(), 2);
    QCOMPARE(fileList(t.main())->text(1), QStringLiteral("3.txt"));
    QCOMPARE(t.state().SelectedFiles, QStringList());
    QCOMPARE(t.state().DialogFolder, QString());
}

void RenameFrmTest::nothingSelectedListsTheFolder() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    for (const char* name : {"第10章.txt", "第2章.htm", "c"})
        t.writeFile(f + QString::fromUtf8(name), "x");
    QDir(f).mkdir(QStringLiteral("sub"));
    RenameFrm* dialog = openRename(t, f, {});
    QVERIFY(dialog);

    // In reading order, so that the counter follows the chapters.
    const QStringList listed = column(dialog, 0);
    QCOMPARE(t.state().SelectedFiles, listed);
    QCOMPARE(listed, QStringList({"c", "第2章.htm", "第10章.txt"}));

    child<QPushButton>(dialog, "Cmdcancel")->click();
    settle();
    QVERIFY(t.main()->isEnabled());
    QCOMPARE(QDir(f).entryList(QDir::Files), QStringList({"c", "第10章.txt", "第2章.htm"}));
}

void RenameFrmTest::numbersFollowTheMainListOrder_data() {
    QTest::addColumn<int>("sortColumn"); // -1: as the folder opened
    QTest::addColumn<QStringList>("order");
    QTest::newRow("by name: chapters in reading order") << -1 << QStringList{"第2章.txt", "第3章.txt", "第10章.txt"};
    QTest::newRow("by size: the order the user sees") << 2 << QStringList{"第3章.txt", "第10章.txt", "第2章.txt"};
}

// The user sorted the list by size: the counter follows what the list shows, not the chapters.
void RenameFrmTest::numbersFollowTheMainListOrder() {
    QFETCH(int, sortColumn);
    QFETCH(QStringList, order);
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    t.writeFile(f + QStringLiteral("第10章.txt"), "xx");
    t.writeFile(f + QStringLiteral("第2章.txt"), "xxx");
    t.writeFile(f + QStringLiteral("第3章.txt"), "x");
    t.main()->openFolder(f);
    if (sortColumn >= 0)
        t.main()->sortByColumn(sortColumn);
    selectInMain(t.main(), {"第10章.txt", "第2章.txt", "第3章.txt"});
    t.main()->openRename();
    RenameFrm* dialog = shownWindow<RenameFrm>(QStringLiteral("RenameFrm"));
    QVERIFY(dialog);
    QCOMPARE(column(dialog, 0), order);
    typeTemplate(dialog, QStringLiteral("v#"));
    QCOMPARE(column(dialog, 1), (QStringList{"v0.txt", "v1.txt", "v2.txt"}));
}

QTEST_MAIN(RenameFrmTest)
#include "RenameFrmTest.moc"
