// The quick-processing wizard window: the controls feeding the pipeline, the refusals before a
// run, opening and closing in both start modes, the preview's name suggestion, prefixes, the level
// slider and the advanced options.

#include "ui/wizard/FastWork.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "core/PathHelpers.h"
#include "core/Settings.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/FileListBox.h"
#include "ui/common/InProgress.h"
#include "ui/dialogs/BrowseFrm.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

using UiTest::child;

namespace {

FastWork* wizardOf(TestApplication& t) {
    return qobject_cast<FastWork*>(t.app().fastWork());
}

// The main window's wizard command on `folder`.
FastWork* openWizardOn(TestApplication& t, const QString& folder) {
    t.main()->openFolder(folder);
    t.main()->openWizard();
    return wizardOf(t);
}

// The progress window's rows as "text|status".
QStringList progressRows(TestApplication& t) {
    return DialogTest::progressRows(*t.app().inProgress(), 2);
}

// The row that says where the merged sources went: a numbered batch folder under the backup folder,
// and the undo command that puts them back; "" when no row says so.
QString movedSourcesRow(TestApplication& t) {
    const QRegularExpression pattern(QStringLiteral("^-合并的源文件已移入备份文件夹 ") +
                                     QRegularExpression::escape(t.state().BackupFolder) +
                                     QStringLiteral(".+/，点“撤销上一批”即可全部放回-\\|$"));
    for (const QString& row : progressRows(t)) {
        if (pattern.match(row).hasMatch())
            return row;
    }
    return QString();
}

// The folder holding a web page a.htm and a text file b.txt.
QString writePageAndText(TestApplication& t) {
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "a.htm", "<p>甲</p>\r\n");
    TestApplication::writeFile(folder + "b.txt", "乙\r\n");
    return folder;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Only the stages a test names are switched on.
void switchStagesOff(FastWork* w) {
    child<QCheckBox>(w, "CheckHtml")->setChecked(false);
    child<QCheckBox>(w, "CheckMerge")->setChecked(false);
    child<QCheckBox>(w, "CheckPara")->setChecked(false);
    child<QCheckBox>(w, "CheckSpace")->setChecked(false);
    child<QComboBox>(w, "ComboCode")->setCurrentIndex(0);
    child<QComboBox>(w, "ComboChar")->setCurrentIndex(0);
}

void writeStartMode(TestApplication& t, qint16 startMode, const QString& recentFolder) {
    AppState saved;
    saved.Settings.StartMode = startMode;
    resizeList(saved.PrefixList, saved.Settings.PrefixMax);
    resizeList(saved.RecentList, saved.Settings.RecentMax);
    saved.RecentList[0] = recentFolder;
    saved.BackupFolder = t.appFolder() + QStringLiteral("backup/");
    QVERIFY(Settings::writeRecord(t.appFolder() + QStringLiteral("Quillmar.cfg"), saved.Settings));
    QVERIFY(Settings::writeCustom(t.appFolder() + QStringLiteral("Custom.cfg"), saved));
}

} // namespace

class FastWorkTest : public QObject {
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void pagesAreConvertedMergedAndReflowed();
    void comboIndexOrdersIndexFiles_data();
    void comboIndexOrdersIndexFiles();
    void deletionOptions_data();
    void deletionOptions();
    void stagesThatAreOff_data();
    void stagesThatAreOff();
    void closing_data();
    void closing();
    void reopeningStartsFromTheDesignedStates();
    void nameSuggestion_data();
    void nameSuggestion();
    void aFileGoneBeforeItsClickIsReported();
    void prefixGoesInFrontOfTheBaseName();
    void folderButton();
    void fileListFollowsTheTypedFolder();
    void sliderTexts_data();
    void sliderTexts();
    void advancedOptionsToggle();
    void screenshots();
};

void FastWorkTest::refusals_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("message"); // %1: the folder typed
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("nameAfter");

    const int information = int(MessageProvider::Icon::Information);
    const int exclamation = int(MessageProvider::Icon::Exclamation);
    QTest::newRow("a name of spaces only is emptied and refused")
        << "   " << true << information << "请输入合并后的文件名。"
        << "TextNewName"
        << "";
    QTest::newRow("a name that cannot be a file name is refused")
        << " 上/下 " << true << exclamation << "合并后的文件名“上/下”不能用作文件名（不能包含“/”或控制字符）。"
        << "TextNewName"
        << "上/下";
    QTest::newRow("a folder that does not exist is refused")
        << "book" << false << exclamation << "文件夹“%1”不存在，请选择一个存在的文件夹。"
        << "TextFolder"
        << "book";
}

void FastWorkTest::refusals() {
    QFETCH(QString, name);
    QFETCH(bool, folderExists);
    QFETCH(int, icon);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, nameAfter);

    TestApplication t;
    QVERIFY(t.start());
    const QString folder = writePageAndText(t);
    FastWork* w = openWizardOn(t, folder);
    QVERIFY(w);
    QApplication::setActiveWindow(w);
    const QString typedFolder = folderExists ? folder : folder + "missing/";
    child<QLineEdit>(w, "TextFolder")->setText(typedFolder);
    child<QLineEdit>(w, "TextNewName")->setText(name);
    child<QComboBox>(w, "ComboPrefix")->setEditText("【连载】");

    child<QPushButton>(w, "CmdOk")->click();

    QCOMPARE(t.messages().shown().size(), 1);
    const ScriptedMessageProvider::Shown shown = t.messages().shown().first();
    QCOMPARE(int(shown.icon), icon);
    QCOMPARE(shown.title, QStringLiteral("Quillmar"));
    QCOMPARE(shown.text, message.contains("%1") ? message.arg(typedFolder) : message);
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), nameAfter);
    QVERIFY(w->focusWidget());
    QCOMPARE(w->focusWidget()->objectName(), focus);
    QVERIFY(w->isEnabled());
    QVERIFY(!t.app().inProgress()->isVisible());
    QVERIFY(progressRows(t).isEmpty());
    QCOMPARE(filesIn(folder), (QStringList{"a.htm", "b.txt"}));
    QCOMPARE(TestApplication::readFile(folder + "b.txt"), QByteArray("乙\r\n"));
    QVERIFY(!t.state().PrefixList.contains("【连载】"));
}

void FastWorkTest::pagesAreConvertedMergedAndReflowed() {
    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "01.htm", "<html><body>\r\n第一章<br>\r\n天色已晚，<br>\r\n他走进了<br>\r\n"
                                                  "小镇。\r\n</body></html>\r\n");
    TestApplication::writeFile(folder + "02.html", "<html><body>\r\n第二章<br>\r\n风停了。\r\n</body></html>\r\n");
    FastWork* w = openWizardOn(t, folder);
    QCOMPARE(child<QLineEdit>(w, "TextFolder")->text(), folder);
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), (QStringList{"01.htm", "02.html"}));
    child<QCheckBox>(w, "CheckPara")->setChecked(true);
    child<QLineEdit>(w, "TextNewName")->setText(" book ");
    child<QComboBox>(w, "Combo2")->setCurrentIndex(1);

    child<QPushButton>(w, "CmdOk")->click();

    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("book.txt"));
    QCOMPARE(progressRows(t), (QStringList{
                                  "-html转换-|",
                                  "02.html|完成",
                                  "01.htm|完成",
                                  "-合并文本文件-|",
                                  "01.txt|合并完成",
                                  "02.txt|合并完成",
                                  movedSourcesRow(t),
                                  "-智能分段-|",
                                  "book.txt|完成",
                                  "2 个源文件已移入备份|",
                              }));
    // The merge's rows name the chapters as the other stages do; the folder is the window's title.
    QCOMPARE(t.app().inProgress()->windowTitle(), folder);
    QVERIFY(t.app().inProgress()->isFinished());
    QCOMPARE(TestApplication::readFile(folder + "book.txt"),
             QByteArray("第一章天色已晚，他走进了小镇。\r\n第二章风停了。\r\n"));
    QCOMPARE(filesIn(folder), (QStringList{"01.htm", "02.html", "book.txt"}));

    // The list shows Combo2's type again, read after the run; the wizard waits for the acknowledgement.
    QCOMPARE(child<FileListBox>(w, "File1")->pattern(), QStringLiteral("*.txt"));
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"book.txt"});
    QVERIFY(!w->isEnabled());
    t.app().inProgress()->acknowledge();
    QVERIFY(w->isEnabled());
    QVERIFY(!t.main()->isEnabled());
}

void FastWorkTest::comboIndexOrdersIndexFiles_data() {
    QTest::addColumn<int>("indexMode");
    QTest::addColumn<QByteArray>("merged");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("0: index files first")
        << 0 << QByteArray("Index\r\nindex2\r\n001\r\n002\r\n") << QStringList{"all.txt"};
    QTest::newRow("1: reading order") << 1 << QByteArray("Index\r\n001\r\n002\r\nindex2\r\n") << QStringList{"all.txt"};
    QTest::newRow("2: index files left out and kept")
        << 2 << QByteArray("001\r\n002\r\n") << QStringList{"Index.txt", "all.txt", "index2.txt"};
}

void FastWorkTest::comboIndexOrdersIndexFiles() {
    QFETCH(int, indexMode);
    QFETCH(QByteArray, merged);
    QFETCH(QStringList, left);

    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    for (const char* name : {"001", "002", "Index", "index2"})
        TestApplication::writeFile(folder + name + ".txt", QByteArray(name) + "\r\n");
    FastWork* w = openWizardOn(t, folder);
    child<QCheckBox>(w, "CheckHtml")->setChecked(false);
    child<QLineEdit>(w, "TextNewName")->setText("all");
    child<QComboBox>(w, "ComboIndex")->setCurrentIndex(indexMode);

    child<QPushButton>(w, "CmdOk")->click();

    QCOMPARE(TestApplication::readFile(folder + "all.txt"), merged);
    QCOMPARE(filesIn(folder), left);
}

void FastWorkTest::deletionOptions_data() {
    QTest::addColumn<bool>("deletePages");
    QTest::addColumn<bool>("deleteMerged");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("nothing deleted") << false << false << QStringList{"a.htm", "a.txt", "all.txt", "b.txt"}
                                     << QStringList{};
    QTest::newRow("converted pages deleted")
        << true << false << QStringList{"a.txt", "all.txt", "b.txt"} << QStringList{"-源文件已删除-|"};
    QTest::newRow("merged sources deleted")
        << false << true << QStringList{"a.htm", "all.txt"} << QStringList{"-合并的源文件已移入备份-"};
    QTest::newRow("both deleted") << true << true << QStringList{"all.txt"}
                                  << QStringList{"-源文件已删除-|", "-合并的源文件已移入备份-"};
}

void FastWorkTest::deletionOptions() {
    QFETCH(bool, deletePages);
    QFETCH(bool, deleteMerged);
    QFETCH(QStringList, left);
    QFETCH(QStringList, notes);

    TestApplication t;
    QVERIFY(t.start());
    const QString folder = writePageAndText(t);
    FastWork* w = openWizardOn(t, folder);
    child<QLineEdit>(w, "TextNewName")->setText("all");
    child<QCheckBox>(w, "CheckDelH")->setChecked(deletePages);
    child<QCheckBox>(w, "CheckDelM")->setChecked(deleteMerged);

    child<QPushButton>(w, "CmdOk")->click();

    QCOMPARE(filesIn(folder), left);
    const QStringList rows = progressRows(t);
    QStringList notesShown;
    for (const QString& row : rows) {
        if (row.endsWith("已删除-|"))
            notesShown.append(row);
        else if (row == movedSourcesRow(t))
            notesShown.append(QStringLiteral("-合并的源文件已移入备份-"));
    }
    QCOMPARE(notesShown, notes);
}

void FastWorkTest::stagesThatAreOff_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("text"); // a.txt afterwards; empty: not compared

    const QByteArray original("ＡＢＣabc\r\n");
    QTest::newRow("every stage off writes no line") << 0 << 0 << QStringList{} << original;
    QTest::newRow("ComboChar 1 makes every character half-width")
        << 0 << 1 << QStringList{"-字符转换-|", "a.txt|完成"} << QByteArray("ABCabc\r\n");
    QTest::newRow("ComboChar 2 makes every character full-width")
        << 0 << 2 << QStringList{"-字符转换-|", "a.txt|完成"} << QByteArray("ＡＢＣａｂｃ\r\n");
    QTest::newRow("ComboCode alone") << 2 << 0 << QStringList{"-内码转换-|", "a.txt|完成"} << QByteArray();
}

void FastWorkTest::stagesThatAreOff() {
    QFETCH(int, code);
    QFETCH(int, width);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, text);

    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "a.txt", "ＡＢＣabc\r\n");
    FastWork* w = openWizardOn(t, folder);
    switchStagesOff(w);
    child<QComboBox>(w, "ComboCode")->setCurrentIndex(code);
    child<QComboBox>(w, "ComboChar")->setCurrentIndex(width);

    child<QPushButton>(w, "CmdOk")->click();

    QVERIFY(t.messages().shown().isEmpty()); // with the merge off an empty name is no problem
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QString());
    QCOMPARE(progressRows(t), rows);
    QVERIFY(t.app().inProgress()->isFinished());
    if (!text.isEmpty())
        QCOMPARE(TestApplication::readFile(folder + "a.txt"), text);
    QCOMPARE(filesIn(folder), QStringList{"a.txt"});
}

void FastWorkTest::closing_data() {
    QTest::addColumn<int>("startMode");
    QTest::addColumn<bool>("fromMain");
    QTest::addColumn<QString>("closeWith");

    QTest::newRow("StartMode 0, close button: back to the main window") << 0 << true << "CmdCancel";
    QTest::newRow("StartMode 0, Escape: back to the main window") << 0 << true << "Escape";
    QTest::newRow("StartMode 1, started in the wizard: the program ends") << 1 << false << "CmdCancel";
    QTest::newRow("StartMode 1, opened from the main window: the program ends") << 1 << true << "close box";
}

void FastWorkTest::closing() {
    QFETCH(int, startMode);
    QFETCH(bool, fromMain);
    QFETCH(QString, closeWith);

    TestApplication t;
    const QString recent = t.folder("recent");
    TestApplication::writeFile(recent + "r.txt", "r\r\n");
    writeStartMode(t, qint16(startMode), recent);
    QVERIFY(t.start());
    QSignalSpy finished(&t.app(), &Application::finished);
    FastWork* w = wizardOf(t);
    QVERIFY(w);

    if (startMode == 1) {
        // The splash opened the wizard alone, on the most recent folder.
        QVERIFY(w->isVisible());
        QVERIFY(!t.main()->isVisible());
        QCOMPARE(child<QLineEdit>(w, "TextFolder")->text(), recent);
        QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"r.txt"});
    }
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "a.htm", "<p>甲</p>\r\n");
    if (fromMain) {
        t.main()->show();
        openWizardOn(t, folder);
        QVERIFY(!t.main()->isEnabled());
        QCOMPARE(child<QLineEdit>(w, "TextFolder")->text(), folder);
        QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"a.htm"});
    }
    if (!fromMain)
        w->openFolder(folder); // as the folder button does
    // A file made while the wizard was up shows in the main window when it comes back.
    TestApplication::writeFile(folder + "new.txt", "n\r\n");
    TestApplication::writeFile(t.state().TempFile, "left over");

    if (closeWith == "CmdCancel")
        child<QPushButton>(w, "CmdCancel")->click();
    else if (closeWith == "Escape")
        QTest::keyClick(w, Qt::Key_Escape);
    else
        w->windowHandle()->close();

    QVERIFY(!w->isVisible());
    if (startMode == 0) {
        QCOMPARE(finished.count(), 0);
        QVERIFY(t.main()->isEnabled());
        QVERIFY(t.main()->isVisible());
        QCOMPARE(t.state().CurrentFolder, folder);
        QCOMPARE(child<FileListBox>(t.main(), "File1")->fileNames(), (QStringList{"new.txt"}));
        QVERIFY(QFile::exists(t.state().TempFile));
    } else {
        QCOMPARE(finished.count(), 1);
        QVERIFY(!t.main()->isVisible());
        QVERIFY(!QFile::exists(t.state().TempFile)); // the shutdown ran
        // The wizard's folder is the one the next start in the wizard opens.
        AppState saved;
        QVERIFY(Settings::readCustom(t.appFolder() + "Custom.cfg", saved));
        QCOMPARE(saved.RecentList.first(), folder);
    }
}

void FastWorkTest::reopeningStartsFromTheDesignedStates() {
    // What an opening shows, as "control=value".
    auto shownBy = [](const FastWork* w) {
        return QStringList{
            QString("checked=%1%2%3%4%5%6%7")
                .arg(child<QCheckBox>(w, "CheckHtml")->isChecked())
                .arg(child<QCheckBox>(w, "CheckMerge")->isChecked())
                .arg(child<QCheckBox>(w, "CheckPara")->isChecked())
                .arg(child<QCheckBox>(w, "CheckSpace")->isChecked())
                .arg(child<QCheckBox>(w, "CheckDelH")->isChecked())
                .arg(child<QCheckBox>(w, "CheckDelLink")->isChecked())
                .arg(child<QCheckBox>(w, "CheckDelM")->isChecked()),
            "TextNewName=" + child<QLineEdit>(w, "TextNewName")->text(),
            "ComboIndex=" + child<QComboBox>(w, "ComboIndex")->currentText(),
            "ComboCode=" + child<QComboBox>(w, "ComboCode")->currentText(),
            "ComboChar=" + child<QComboBox>(w, "ComboChar")->currentText(),
            "File1=" + child<FileListBox>(w, "File1")->pattern(),
            "Slider1=" + child<QLabel>(w, "LabelGrade")->text(),
            "CmdAdv=" + child<QPushButton>(w, "CmdAdv")->text(),
            "ComboPrefix=" + child<QComboBox>(w, "ComboPrefix")->currentText() + " of " +
                QString::number(child<QComboBox>(w, "ComboPrefix")->count()),
        };
    };
    const QStringList designed{"checked=1100011",  "TextNewName=",      "ComboIndex=如果存在则首先合并",
                               "ComboCode=无转换", "ComboChar=无转换",  "File1=*.txt;*.htm;*.html;*.rtf",
                               "Slider1=积极的",   "CmdAdv=高级选项 =>"};

    TestApplication t;
    QVERIFY(t.start());
    FastWork* w = openWizardOn(t, t.filesFolder());
    QCOMPARE(shownBy(w), designed + QStringList{"ComboPrefix= of 0"});

    child<QCheckBox>(w, "CheckHtml")->setChecked(false);
    child<QCheckBox>(w, "CheckPara")->setChecked(true);
    child<QCheckBox>(w, "CheckDelH")->setChecked(true);
    child<QCheckBox>(w, "CheckDelM")->setChecked(false);
    child<QLineEdit>(w, "TextNewName")->setText("x");
    child<QComboBox>(w, "ComboIndex")->setCurrentIndex(2);
    child<QComboBox>(w, "ComboCode")->setCurrentIndex(1);
    child<QComboBox>(w, "Combo2")->setCurrentIndex(3);
    child<QSlider>(w, "Slider1")->setValue(3);
    child<QComboBox>(w, "ComboPrefix")->setEditText("typed");
    w->toggleAdvanced();
    child<QPushButton>(w, "CmdCancel")->click();
    t.state().PrefixList[0] = "【新】";
    TestApplication::writeFile(t.filesFolder() + "later.txt", "l\r\n");

    t.main()->openWizard();
    QVERIFY(w->isVisible());
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"later.txt"});
    QCOMPARE(shownBy(w), designed + QStringList{"ComboPrefix= of 1"});
    QVERIFY(!w->advancedShown());
}

void FastWorkTest::nameSuggestion_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("merge");
    QTest::addColumn<QString>("suggested");

    QTest::newRow("three tabs skipped, then 20 characters")
        << QByteArray("\t\t\t第一回　宴桃园豪杰三结义　斩黄巾英雄首立功\r\n") << true
        << "第一回　宴桃园豪杰三结义　斩黄巾英雄首立";
    QTest::newRow("at most ten tabs skipped; the rest cannot stand in a name")
        << QByteArray("\t\t\t\t\t\t\t\t\t\t\t\tabc\r\n") << true << "abc";
    QTest::newRow("a short first line alone, spaces trimmed")
        << QByteArray("  序章  \r\n正文从这里开始\r\n") << true << "序章";
    QTest::newRow("a slash is dropped") << QByteArray("上/下 篇\r\n") << true << "上下 篇";
    QTest::newRow("a GB18030 file is shown decoded")
        << QByteArray(
               "\xb5\xda\xb6\xfe\xd5\xc2\xa1\xa1\xb7\xe7\xd1\xa9\xc9\xbd\xc9\xf1\xc3\xed\x0d\x0a\xc1\xd6\xb3\xe5"
               "\xcc\xa4\xd7\xc5\xc4\xc7\xc8\xf0\xd1\xa9\xa3\xac\xd3\xad\xd7\xc5\xb1\xb1\xb7\xe7\xa1\xa3\x0d\x0a")
        << true << "第二章　风雪山神庙";
    QTest::newRow("CheckMerge unchecked leaves the name alone") << QByteArray("标题\r\n") << false << "mine";
}

void FastWorkTest::nameSuggestion() {
    QFETCH(QByteArray, content);
    QFETCH(bool, merge);
    QFETCH(QString, suggested);

    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "a.txt", content);
    FastWork* w = openWizardOn(t, folder);
    child<QCheckBox>(w, "CheckMerge")->setChecked(merge);
    child<QLineEdit>(w, "TextNewName")->setText("mine");

    QTest::mouseClick(child<FileListBox>(w, "File1")->viewport(), Qt::LeftButton, {},
                      child<FileListBox>(w, "File1")->visualItemRect(child<FileListBox>(w, "File1")->item(0)).center());

    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), suggested);
    QVERIFY(child<PreviewBox>(w, "RichPreview")->isReadOnly());
    QCOMPARE(child<PreviewBox>(w, "RichPreview")->fileName(), folder + "a.txt");
    if (content.startsWith("\xb5\xda"))
        QCOMPARE(child<PreviewBox>(w, "RichPreview")->toPlainText(),
                 QStringLiteral("第二章　风雪山神庙\n林冲踏着那瑞雪，迎着北风。\n"));
}

void FastWorkTest::aFileGoneBeforeItsClickIsReported() {
    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "gone.txt", "标题\r\n");
    TestApplication::writeFile(folder + "kept.txt", "标题\r\n");
    FastWork* w = openWizardOn(t, folder);
    child<QLineEdit>(w, "TextNewName")->setText("mine");
    QFile::remove(folder + "gone.txt");

    w->previewFile(0);

    QCOMPARE(t.messages().shown().size(), 1);
    QCOMPARE(t.messages().shown().first().title, QStringLiteral("Error"));
    QVERIFY(t.messages().shown().first().text.startsWith(QStringLiteral("错误: ")));
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"kept.txt"});
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("mine"));
}

void FastWorkTest::prefixGoesInFrontOfTheBaseName() {
    TestApplication t;
    QVERIFY(t.start());
    t.state().PrefixList[0] = "【连载】";
    t.state().PrefixList[1] = "[完本]";
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "a.txt", "序章\r\n");
    FastWork* w = openWizardOn(t, folder);
    QCOMPARE(child<QComboBox>(w, "ComboPrefix")->count(), 2);
    QCOMPARE(child<QComboBox>(w, "ComboPrefix")->currentText(), QString());

    w->previewFile(0);
    emit child<QComboBox>(w, "ComboPrefix")->textActivated(child<QComboBox>(w, "ComboPrefix")->itemText(0));
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("【连载】序章"));
    emit child<QComboBox>(w, "ComboPrefix")->textActivated(child<QComboBox>(w, "ComboPrefix")->itemText(1));
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("[完本]序章"));

    // Typed prefixes replace each other: every keystroke puts the whole box in front of the base.
    child<QComboBox>(w, "ComboPrefix")->setEditText(QString());
    QTest::keyClicks(child<QComboBox>(w, "ComboPrefix")->lineEdit(), "ab");
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("ab序章"));

    // A name typed and left becomes the base name.
    child<QLineEdit>(w, "TextNewName")->setText("新书");
    DialogTest::leave(child<QLineEdit>(w, "TextNewName"));
    emit child<QComboBox>(w, "ComboPrefix")->textActivated(child<QComboBox>(w, "ComboPrefix")->itemText(1));
    QCOMPARE(child<QLineEdit>(w, "TextNewName")->text(), QStringLiteral("[完本]新书"));
    child<QComboBox>(w, "ComboPrefix")->setCurrentIndex(1);

    child<QCheckBox>(w, "CheckHtml")->setChecked(false);
    child<QCheckBox>(w, "CheckDelM")->setChecked(false);
    child<QPushButton>(w, "CmdOk")->click();
    QCOMPARE(filesIn(folder), (QStringList{"[完本]新书.txt", "a.txt"}));
    QCOMPARE(t.state().PrefixList.mid(0, 2), (QStringList{"[完本]", "【连载】"}));
}

void FastWorkTest::folderButton() {
    TestApplication t;
    QVERIFY(t.start());
    const QString folder = t.filesFolder();
    const QString other = t.folder("other");
    TestApplication::writeFile(other + "o.txt", "o\r\n");
    FastWork* w = openWizardOn(t, folder);

    DialogTest::answerPickerLater(
        [](BrowseFrm* picker) { UiTest::child<QPushButton>(picker, "Cmdcancel")->click(); });
    child<QPushButton>(w, "CmbBrowse")->click();
    QCOMPARE(child<QLineEdit>(w, "TextFolder")->text(), folder);
    QCOMPARE(child<FileListBox>(w, "File1")->path(), folder);

    DialogTest::answerPickerLater([other](BrowseFrm* picker) {
        picker->openFolder(other);
        UiTest::child<QPushButton>(picker, "CmdOk")->click();
    });
    child<QPushButton>(w, "CmbBrowse")->click();
    QCOMPARE(child<QLineEdit>(w, "TextFolder")->text(), other);
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList{"o.txt"});
    QCOMPARE(t.state().DialogFolder, folder);

    // Enter in the folder box opens the folder typed there and starts nothing.
    child<QLineEdit>(w, "TextFolder")->setText(folder);
    child<QLineEdit>(w, "TextFolder")->setFocus();
    QTest::keyClick(child<QLineEdit>(w, "TextFolder"), Qt::Key_Return);
    QCOMPARE(child<FileListBox>(w, "File1")->path(), folder);
    QVERIFY(!t.app().inProgress()->isVisible());
    QVERIFY(w->isEnabled());
    child<QLineEdit>(w, "TextFolder")->setText(folder + "missing");
    QTest::keyClick(child<QLineEdit>(w, "TextFolder"), Qt::Key_Enter);
    QCOMPARE(t.messages().texts().last(), "文件夹“" + folder + "missing”不存在，请选择一个存在的文件夹。");
    QCOMPARE(child<FileListBox>(w, "File1")->path(), folder);
    QVERIFY(!t.app().inProgress()->isVisible());
}

// The list shows the folder being typed, chapters in reading order; a folder that does not
// exist (yet) lists nothing.
void FastWorkTest::fileListFollowsTheTypedFolder() {
    TestApplication t;
    QVERIFY(t.start());
    const QString other = t.appFolder() + QStringLiteral("书/");
    QVERIFY(QDir().mkpath(other));
    for (const char* name : {"第10章.txt", "第2章.txt", "序章.txt"})
        TestApplication::writeFile(other + QString::fromUtf8(name), "x\r\n");
    FastWork* w = openWizardOn(t, writePageAndText(t));
    QVERIFY(w);

    child<QLineEdit>(w, "TextFolder")->clear();
    // Typed key by key (keyClicks knows only ASCII keys).
    for (QChar c : other.chopped(1)) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(child<QLineEdit>(w, "TextFolder"), &key);
    }
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), (QStringList{"序章.txt", "第2章.txt", "第10章.txt"}));
    QTest::keyClicks(child<QLineEdit>(w, "TextFolder"), QStringLiteral("x"));
    QCOMPARE(child<FileListBox>(w, "File1")->fileNames(), QStringList());
    QTest::keyClick(child<QLineEdit>(w, "TextFolder"), Qt::Key_Backspace);
    QCOMPARE(child<FileListBox>(w, "File1")->count(), 3);
}

void FastWorkTest::sliderTexts_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("details");

    QTest::newRow("0") << 0 << "激进的"
                       << "Level 0 [激进的]\n在这种设定下，程序尽可能地去除被认定为无需的换行和空行，缺点是容易发生将"
                          "必要的分段一并删除的问题。";
    QTest::newRow("1") << 1 << "积极的"
                       << "Level 1 [积极的]\n程序将试图维持保留原有段落风格和去除无需的换行和空行之间的均衡。";
    QTest::newRow("2") << 2 << "一般的"
                       << "Level 2 [一般的]\n程序使用较为严格的段落判断，不易出现删除必要分段的问题，但可能出现一些多"
                          "余的换行未能被删除的情况。";
    QTest::newRow("3") << 3 << "谨慎的"
                       << "Level 3 [谨慎的]\n尽可能保留原有的分段。在用其他方法分段时出现大量必要分段被删除的问题时，"
                          "可以采用此种模式。";
}

void FastWorkTest::sliderTexts() {
    QFETCH(int, position);
    QFETCH(QString, grade);
    QFETCH(QString, details);

    TestApplication t;
    QVERIFY(t.start());
    FastWork* w = openWizardOn(t, t.filesFolder());
    child<QSlider>(w, "Slider1")->setValue(position == 0 ? 3 : 0);
    child<QSlider>(w, "Slider1")->setValue(position);
    QCOMPARE(child<QLabel>(w, "LabelGrade")->text(), grade);
    QCOMPARE(child<QLabel>(w, "LabelDetails")->text(), details);
    QCOMPARE(t.state().Settings.ParaLevel, qint16(1)); // moving the slider stores nothing
}

void FastWorkTest::advancedOptionsToggle() {
    TestApplication t;
    QVERIFY(t.start());
    FastWork* w = openWizardOn(t, t.filesFolder());
    QApplication::setActiveWindow(w);
    const QSize size = w->size();
    QVERIFY(!child<QGroupBox>(w, "FrameAdv")->isVisible());
    QVERIFY(child<QGroupBox>(w, "Frame5")->isVisible());
    QCOMPARE(child<QPushButton>(w, "CmdAdv")->text(), QStringLiteral("高级选项 =>"));

    child<QPushButton>(w, "CmdAdv")->click();
    QVERIFY(child<QGroupBox>(w, "FrameAdv")->isVisible());
    QVERIFY(child<QCheckBox>(w, "CheckDelH")->isVisible());
    QCOMPARE(child<QPushButton>(w, "CmdAdv")->text(), QStringLiteral("<= 普通选项"));
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(child<PreviewBox>(w, "RichPreview")));
    QCOMPARE(w->size(), size);

    child<QPushButton>(w, "CmdAdv")->click();
    QVERIFY(!child<QGroupBox>(w, "FrameAdv")->isVisible());
    QVERIFY(child<QGroupBox>(w, "Frame5")->isVisible());
    QCOMPARE(child<QPushButton>(w, "CmdAdv")->text(), QStringLiteral("高级选项 =>"));
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(child<PreviewBox>(w, "RichPreview")));
    QCOMPARE(w->size(), size);
}

// Saves the wizard's look, with the normal and with the advanced options, into the folder named by
// QM_SCREENSHOTS.
void FastWorkTest::screenshots() {
    const QString target = qEnvironmentVariable("QM_SCREENSHOTS");
    if (target.isEmpty())
        QSKIP("QM_SCREENSHOTS names no folder");
    TestApplication t;
    QVERIFY(t.start());
    t.state().PrefixList[0] = "【连载】";
    const QString folder = t.filesFolder();
    TestApplication::writeFile(folder + "第一章.txt", "\t第一章　风起\r\n天色已晚，他推开门走了进去。\r\n");
    TestApplication::writeFile(folder + "第二章.htm", "<p>第二章</p>\r\n");
    FastWork* w = openWizardOn(t, folder);
    w->previewFile(0);
    QDir().mkpath(target);
    QVERIFY(w->grab().save(target + "/wizard.png"));
    w->toggleAdvanced();
    QVERIFY(w->grab().save(target + "/wizard-advanced.png"));
}

QTEST_MAIN(FastWorkTest)
#include "FastWorkTest.moc"
