// The merge dialog: building the merge list, the name and prefix, the merge in the progress
// window, and what closing the dialog hands back to the main window.

#include "ui/dialogs/MergeFrm.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/FileListBox.h"
#include "ui/common/FolderList.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

using UiTest::child;

using UiTest::fileList;
using UiTest::preview;

using namespace DialogTest;

namespace {

MergeFrm* openMerge(TestApplication& t, const QString& folder) {
    t.main()->openFolder(folder);
    t.main()->openMerge();
    return shownWindow<MergeFrm>(QStringLiteral("MergeFrm"));
}

// Writes the files `files` (name and content) into the files folder and opens the dialog there.
MergeFrm* openMergeOn(TestApplication& t, const QList<std::pair<QString, QByteArray>>& files) {
    for (const auto& [name, bytes] : files)
        t.writeFile(t.filesFolder() + name, bytes);
    return openMerge(t, t.filesFolder());
}

// List1 without the folder part `root`.
QStringList listed(const MergeFrm* dialog, const QString& root) {
    QStringList paths = listTexts(child<QListWidget>(dialog, "List1"));
    for (QString& path : paths)
        path.remove(root);
    return paths;
}

void selectInFile1(MergeFrm* dialog, const QStringList& names) {
    FileListBox* file1 = child<FileListBox>(dialog, "File1");
    file1->clearSelection();
    for (const QString& name : names)
        file1->findItems(name, Qt::MatchExactly).first()->setSelected(true);
}

void drop(QWidget* viewport, const QString& sourceList) {
    std::unique_ptr<QMimeData> data(MergeFrm::dragData(sourceList));
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent dropped(QPointF(at), Qt::MoveAction, data.get(), Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &dropped);
}

} // namespace

class MergeFrmTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void building_data();
    void building();
    void removeMoveAndDrop();
    void nameSuggestion_data();
    void nameSuggestion();
    void nameAndPrefixThenClosing();
    void prefixKeptInEveryOrder_data();
    void prefixKeptInEveryOrder();
    void refusedBeforeAnything_data();
    void refusedBeforeAnything();
    void mergeThroughProgressWindow();
    void mergeElsewhereAndIntoAListedFile();
    void mergeAlsoMakesAnEbook();
};

// Steps: "unsorted" (ChkSorted off), "open:<folder>", "add:<names>" (selected, CmdAdd), "addall".
void MergeFrmTest::building_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("list");

    QTest::newRow("add all sorted in chapter order")
        << QStringList{"addall"} << QStringList{"a/preface.txt", "a/1.txt", "a/2.txt", "a/第十章.txt"};
    QTest::newRow("add all unsorted keeps the file list's order, the main list's chapter order")
        << QStringList{"unsorted", "addall"} << QStringList{"a/preface.txt", "a/1.txt", "a/2.txt", "a/第十章.txt"};
    QTest::newRow("entries added before keep their places, no duplicates")
        << QStringList{"add:第十章.txt", "addall"}
        << QStringList{"a/第十章.txt", "a/preface.txt", "a/1.txt", "a/2.txt"};
    QTest::newRow("adding the same file twice leaves one entry")
        << QStringList{"add:2.txt", "add:2.txt"} << QStringList{"a/2.txt"};
    QTest::newRow("several selected files are added in list order")
        << QStringList{"add:preface.txt,1.txt"} << QStringList{"a/preface.txt", "a/1.txt"};
    QTest::newRow("the same name from another folder is another entry")
        << QStringList{"add:1.txt", "open:b", "add:1.txt"} << QStringList{"a/1.txt", "b/1.txt"};
}

void MergeFrmTest::building() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, list);

    TestApplication t;
    QVERIFY(t.start());
    const QString a = t.folder(QStringLiteral("a"));
    for (const char* name : {"1.txt", "第十章.txt", "2.txt", "preface.txt"})
        t.writeFile(a + QString::fromUtf8(name), "x\r\n");
    t.writeFile(t.folder(QStringLiteral("b")) + QStringLiteral("1.txt"), "y\r\n");
    MergeFrm* dialog = openMerge(t, a);
    QVERIFY(dialog);
    QPushButton* cmdOK = child<QPushButton>(dialog, "CmdOK");
    QVERIFY(!cmdOK->isEnabled());

    for (const QString& step : steps) {
        if (step == QLatin1String("unsorted")) {
            child<QCheckBox>(dialog, "ChkSorted")->setChecked(false);
        } else if (step.startsWith(QLatin1String("open:"))) {
            QVERIFY(child<FolderList>(dialog, "Dir1")->setPath(t.folder(step.mid(5))));
            QCOMPARE(child<QLineEdit>(dialog, "TextDir")->text(), t.folder(step.mid(5)));
        } else if (step.startsWith(QLatin1String("add:"))) {
            selectInFile1(dialog, step.mid(4).split(u','));
            child<QPushButton>(dialog, "CmdAdd")->click();
        } else {
            child<QPushButton>(dialog, "CmdAddall")->click();
        }
    }
    QCOMPARE(listed(dialog, a.chopped(2)), list);
    QCOMPARE(cmdOK->isEnabled(), list.size() > 1);
}

void MergeFrmTest::removeMoveAndDrop() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        t.writeFile(f + QLatin1String(name), "x\r\n");
    MergeFrm* dialog = openMerge(t, f);
    QVERIFY(dialog);
    QListWidget* list1 = child<QListWidget>(dialog, "List1");
    QPushButton* cmdUp = child<QPushButton>(dialog, "CmdUp");
    QPushButton* cmdDown = child<QPushButton>(dialog, "CmdDown");
    QPushButton* cmdRemove = child<QPushButton>(dialog, "CmdRemove");
    QPushButton* cmdOK = child<QPushButton>(dialog, "CmdOK");
    child<QPushButton>(dialog, "CmdAddall")->click();
    auto check = [&](const QStringList& names, int selected) {
        return listed(dialog, f) == names && list1->currentRow() == selected;
    };

    list1->setCurrentRow(0);
    cmdUp->click(); // the first entry cannot move up
    QVERIFY(check({"1.txt", "2.txt", "3.txt"}, 0));
    list1->setCurrentRow(2);
    cmdDown->click(); // nor the last one down
    QVERIFY(check({"1.txt", "2.txt", "3.txt"}, 2));
    cmdUp->click();
    QVERIFY(check({"1.txt", "3.txt", "2.txt"}, 1));
    list1->setCurrentRow(0);
    cmdDown->click();
    QVERIFY(check({"3.txt", "1.txt", "2.txt"}, 1));

    cmdRemove->click(); // the entry that moves into the place is selected
    QVERIFY(check({"3.txt", "2.txt"}, 1));
    QVERIFY(cmdOK->isEnabled());
    cmdRemove->click(); // removing the last selects the new last; one entry disables the merge
    QVERIFY(check({"3.txt"}, 0));
    QVERIFY(!cmdOK->isEnabled());

    // Right-dragged from File1 into List1 adds; an entry dropped onto its own list stays; dropped
    // onto File1 it is removed.
    selectInFile1(dialog, {QStringLiteral("1.txt"), QStringLiteral("2.txt")});
    drop(list1->viewport(), QStringLiteral("File1"));
    QVERIFY(check({"3.txt", "1.txt", "2.txt"}, 0));
    QVERIFY(cmdOK->isEnabled());
    drop(list1->viewport(), QStringLiteral("List1"));
    QCOMPARE(list1->count(), 3);
    drop(child<FileListBox>(dialog, "File1")->viewport(), QStringLiteral("List1"));
    QVERIFY(check({"1.txt", "2.txt"}, 0));

    child<QPushButton>(dialog, "CmdRemoveAll")->click();
    QCOMPARE(list1->count(), 0);
    QVERIFY(!cmdOK->isEnabled());
}

void MergeFrmTest::nameSuggestion_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty and blank lines before the title are skipped")
        << QByteArray("\r\n    \r\n\t\t\r\n  第一章 开端  \r\n正文\r\n") << QStringLiteral("第一章 开端");
    QTest::newRow("spaces come off first, then the leading tabs") << QByteArray("  \t\tTitle\r\n") << "Title";
    QTest::newRow("spaces after leading tabs stay") << QByteArray("\t  Title\r\n") << "  Title";
    QTest::newRow("a title of 40 characters gives 30")
        << QByteArray("1234567890abcdefghijABCDEFGHIJ0123456789\r\n") << "1234567890abcdefghijABCDEFGHIJ";
    QTest::newRow("characters outside the BMP count as one each")
        << QString(QStringLiteral("𠍀")).repeated(31).toUtf8() << QString(QStringLiteral("𠍀")).repeated(30);
    QTest::newRow("a GB18030 file is decoded") << QByteArray("\xb5\xda\xd2\xbb\xd5\xc2\r\n") << "第一章";
}

void MergeFrmTest::nameSuggestion() {
    QFETCH(QByteArray, content);
    QFETCH(QString, name);

    TestApplication t;
    QVERIFY(t.start());
    MergeFrm* dialog = openMergeOn(t, {{"a.txt", content}, {"b.txt", "B\r\n"}});
    QVERIFY(dialog);
    FileListBox* file1 = child<FileListBox>(dialog, "File1");
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    PreviewBox* textPreview = child<PreviewBox>(dialog, "TextPreview");

    QVERIFY(clickEntry(file1, QStringLiteral("a.txt")));
    QCOMPARE(textFilename->text(), name);
    QCOMPARE(MergeFrm::baseName(), name);

    // A double click adds the file; a click in the merge list previews and suggests from it.
    QVERIFY(clickEntry(file1, QStringLiteral("b.txt")));
    const QRect b = file1->visualItemRect(file1->item(1));
    QTest::mouseDClick(file1->viewport(), Qt::LeftButton, Qt::NoModifier, b.center());
    QVERIFY(clickEntry(file1, QStringLiteral("a.txt")));
    QVERIFY(clickEntry(child<QListWidget>(dialog, "List1"), t.filesFolder() + QStringLiteral("b.txt")));
    QCOMPARE(textFilename->text(), QStringLiteral("B"));
    QCOMPARE(textPreview->toPlainText(), QStringLiteral("B\n"));
    QVERIFY(textPreview->isReadOnly());
}

void MergeFrmTest::nameAndPrefixThenClosing() {
    TestApplication t;
    QVERIFY(t.start());
    t.state().PrefixList = QStringList{QStringLiteral("【上】"), QString(), QStringLiteral("卷二_"), QString()};
    QPointer<MergeFrm> dialog = openMerge(t, t.filesFolder());
    QVERIFY(dialog);
    QComboBox* comboPrefix = child<QComboBox>(dialog, "ComboPrefix");
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    QLineEdit* textDir = child<QLineEdit>(dialog, "TextDir");
    QCOMPARE(comboPrefix->count(), 2);
    QCOMPARE(comboPrefix->currentText(), QString());

    const QStringList typedAndLeft[] = {
        {"part1", "part1.txt"}, {"book.TXT", "book.TXT"}, {"  a  ", "a.txt"}, {"  ", ""}, {"book", "book.txt"}};
    for (const QStringList& row : typedAndLeft) {
        textFilename->setText(row[0]);
        leave(textFilename);
        QCOMPARE(textFilename->text(), row[1]);
    }
    comboPrefix->setCurrentIndex(0);
    QCOMPARE(textFilename->text(), QStringLiteral("【上】book.txt"));
    comboPrefix->setCurrentIndex(1); // another prefix replaces the first
    QCOMPARE(textFilename->text(), QStringLiteral("卷二_book.txt"));

    textDir->setText(QStringLiteral("  ") + t.filesFolder() + QStringLiteral(" "));
    leave(textDir);
    QCOMPARE(textDir->text(), t.filesFolder());

    // Closing enables the main window, which reads its folder again.
    QVERIFY(!t.main()->isEnabled());
    t.writeFile(t.filesFolder() + QStringLiteral("new.txt"), "n\r\n");
    child<QPushButton>(dialog, "CmnCancel")->click();
    settle();
    QVERIFY(dialog.isNull());
    QVERIFY(t.main()->isEnabled());
    QCOMPARE(fileList(t.main())->text(0), QStringLiteral("new.txt"));
    QCOMPARE(t.state().DialogFolder, QString());
}

void MergeFrmTest::prefixKeptInEveryOrder_data() {
    QTest::addColumn<QStringList>("steps"); // "name:…" typed in the name box, "left", "prefix:…" typed
    QTest::newRow("prefix first, then the name typed over the box") << QStringList{"prefix:卷一_", "name:合集", "left"};
    QTest::newRow("name first and left, then the prefix") << QStringList{"name:合集", "left", "prefix:卷一_"};
    QTest::newRow("name typed, prefix chosen before leaving the box") << QStringList{"name:合集", "prefix:卷一_"};
    QTest::newRow("prefix typed a character at a time")
        << QStringList{"name:合集", "left", "prefix:卷", "prefix:卷一", "prefix:卷一_"};
    QTest::newRow("a second prefix replaces the first") << QStringList{"prefix:旧", "name:合集", "prefix:卷一_"};
    QTest::newRow("the name typed after the prefix in the box")
        << QStringList{"prefix:卷一_", "name:卷一_合集", "left"};
}

// Whatever the order of prefix and name, the merged file is prefix + name.
void MergeFrmTest::prefixKeptInEveryOrder() {
    QFETCH(QStringList, steps);
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    MergeFrm* dialog = openMergeOn(t, {{"1.txt", "一\r\n"}, {"2.txt", "二\r\n"}});
    QVERIFY(dialog);
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    child<QPushButton>(dialog, "CmdAddall")->click();
    for (const QString& step : steps) {
        if (step == QLatin1String("left"))
            leave(textFilename);
        else if (step.startsWith(QLatin1String("name:")))
            textFilename->setText(step.mid(5));
        else
            child<QComboBox>(dialog, "ComboPrefix")->setEditText(step.mid(7));
    }
    child<QPushButton>(dialog, "CmdOK")->click();
    QVERIFY(t.messages().texts().isEmpty());
    QCOMPARE(t.readFile(f + QStringLiteral("卷一_合集.txt")), QByteArray("一\r\n二\r\n"));
    child<QPushButton>(t.app().inProgress(), "CmdOK")->click();
}

void MergeFrmTest::refusedBeforeAnything_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString badName = QStringLiteral("文件名中不能含有“/”或控制字符，请输入另一个文件名。");
    QTest::newRow("an empty name") << ""
                                   << "   "
                                   << "请输入合并后的文件名。";
    QTest::newRow("a name with a slash") << ""
                                         << "a/b" << badName;
    QTest::newRow("a name with a control character") << ""
                                                     << "a\tb" << badName;
    QTest::newRow("a folder two levels deep")
        << "missing/deeper"
        << "x"
        << "无法创建文件夹“%1missing/deeper/”，没有合并任何文件。\nNo such file or directory";
}

void MergeFrmTest::refusedBeforeAnything() {
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, message);

    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    MergeFrm* dialog = openMergeOn(t, {{"1.txt", "1\r\n"}, {"2.txt", "2\r\n"}});
    QVERIFY(dialog);
    child<QPushButton>(dialog, "CmdAddall")->click();
    if (!folder.isEmpty())
        child<QLineEdit>(dialog, "TextDir")->setText(f + folder);
    child<QLineEdit>(dialog, "TextFilename")->setText(name);
    child<QPushButton>(dialog, "CmdOK")->click();

    QCOMPARE(t.messages().texts(), QStringList{message.arg(f)});
    QCOMPARE(t.messages().shown().first().title, QStringLiteral("提示"));
    QCOMPARE(child<QListWidget>(dialog, "List1")->count(), 2);
    QVERIFY(!t.app().inProgress()->isVisible());
    QCOMPARE(QDir(f).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"1.txt", "2.txt"}));
}

void MergeFrmTest::mergeThroughProgressWindow() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    t.state().PrefixList = QStringList{QStringLiteral("旧"), QString(), QString()};
    MergeFrm* dialog = openMergeOn(t, {{"1.txt", "一\r\n"}, {"2.txt", "二"}});
    QVERIFY(dialog);
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    QComboBox* comboPrefix = child<QComboBox>(dialog, "ComboPrefix");
    QPushButton* cmdOK = child<QPushButton>(dialog, "CmdOK");
    child<QPushButton>(dialog, "CmdAddall")->click();
    textFilename->setText(QStringLiteral("合集"));
    leave(textFilename);
    comboPrefix->setEditText(QStringLiteral("卷一_"));
    QCOMPARE(textFilename->text(), QStringLiteral("卷一_合集.txt"));
    saveShot(dialog, QStringLiteral("MergeFrm"));

    cmdOK->click();
    InProgress* progress = t.app().inProgress();
    QVERIFY(progress->isVisible());
    QVERIFY(progress->isFinished());
    QVERIFY(!dialog->isEnabled());
    QCOMPARE(t.state().ProgressOwner.data(), static_cast<QObject*>(dialog));
    QCOMPARE(progressRows(*progress), QStringList({"1.txt|合并完成|", "2.txt|合并完成|"}));
    QCOMPARE(progress->windowTitle(), f);
    // The merged file ends as its last source ends: "二" has no line end, so neither has the book.
    QCOMPARE(t.readFile(f + QStringLiteral("卷一_合集.txt")), QByteArray("一\r\n二"));

    // Ready for the next merge, the prefix just used first.
    QCOMPARE(child<QListWidget>(dialog, "List1")->count(), 0);
    QCOMPARE(textFilename->text(), QString());
    QCOMPARE(child<PreviewBox>(dialog, "TextPreview")->toPlainText(), QStringLiteral("文件预览"));
    QVERIFY(!cmdOK->isEnabled());
    QCOMPARE(comboPrefix->currentText(), QString());
    QCOMPARE(QStringList({comboPrefix->itemText(0), comboPrefix->itemText(1)}), QStringList({"卷一_", "旧"}));
    QVERIFY(child<FileListBox>(dialog, "File1")->fileNames().contains(QStringLiteral("卷一_合集.txt")));

    child<QPushButton>(progress, "CmdOK")->click();
    QVERIFY(dialog->isEnabled());
    QVERIFY(!t.main()->isEnabled());
}

void MergeFrmTest::mergeElsewhereAndIntoAListedFile() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    MergeFrm* dialog = openMergeOn(t, {{"a.txt", "A\r\n"}, {"b.txt", "B\r\n"}});
    QVERIFY(dialog);
    QPushButton* cmdAddall = child<QPushButton>(dialog, "CmdAddall");
    QLineEdit* textDir = child<QLineEdit>(dialog, "TextDir");
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    QPushButton* cmdOK = child<QPushButton>(dialog, "CmdOK");

    cmdAddall->click();
    textDir->setText(f + QStringLiteral("out"));
    textFilename->setText(QStringLiteral("all"));
    cmdOK->click();
    QCOMPARE(t.readFile(f + QStringLiteral("out/all.txt")), QByteArray("A\r\nB\r\n"));
    t.app().inProgress()->acknowledge();

    // Files are still added from the folder shown in Dir1; an empty TextDir merges into it, and a
    // target that is a listed file is merged from its old content.
    cmdAddall->click();
    QCOMPARE(listed(dialog, f), QStringList({"a.txt", "b.txt"}));
    textDir->clear();
    textFilename->setText(QStringLiteral("a"));
    cmdOK->click();
    QCOMPARE(textDir->text(), f);
    QCOMPARE(t.readFile(f + QStringLiteral("a.txt")), QByteArray("A\r\nB\r\n"));
}

// With ChkEpub on (a choice kept in the settings, shared with the wizard), the merged text gets its
// e-book beside it, made after the merge in the same progress window.
void MergeFrmTest::mergeAlsoMakesAnEbook() {
    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    t.state().Prefs.MergeEpub = true;
    MergeFrm* dialog = openMergeOn(t, {{"1.txt", "第一章 起\n一。\n"}, {"2.txt", "第二章 承\n二。\n"}});
    QVERIFY(dialog);
    QCheckBox* chkEpub = child<QCheckBox>(dialog, "ChkEpub");
    QPushButton* cmdAddall = child<QPushButton>(dialog, "CmdAddall");
    QLineEdit* textFilename = child<QLineEdit>(dialog, "TextFilename");
    QPushButton* cmdOK = child<QPushButton>(dialog, "CmdOK");
    QVERIFY(chkEpub->isChecked());
    cmdAddall->click();
    textFilename->setText(QStringLiteral("书"));
    cmdOK->click();
    QCOMPARE(progressRows(*t.app().inProgress()),
             QStringList({"1.txt|合并完成|", "2.txt|合并完成|", "书.epub|制作完成|"}));
    QVERIFY(QFile::exists(f + "书.epub"));
    child<QPushButton>(t.app().inProgress(), "CmdOK")->click();

    chkEpub->setChecked(false);
    QVERIFY(!t.state().Prefs.MergeEpub);
    cmdAddall->click();
    textFilename->setText(QStringLiteral("又一本"));
    cmdOK->click();
    QVERIFY(QFile::exists(f + "又一本.txt"));
    QVERIFY(!QFile::exists(f + "又一本.epub"));
}

QTEST_MAIN(MergeFrmTest)
#include "MergeFrmTest.moc"
