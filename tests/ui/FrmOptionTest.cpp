// The options dialog: what it shows, what OK stores, the count boxes, restoring the defaults and
// clearing the backups.

#include "ui/dialogs/FrmOption.h"
#include "DialogTestSupport.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "platform/TextReader.h"
#include "ui/dialogs/PhraseEditFrm.h"
#include "ui/main/MainFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>

using UiTest::child;

using namespace DialogTest;

namespace {

using Answer = MessageProvider::Answer;

FrmOption* openOptions(TestApplication& t) {
    t.main()->openOptions();
    return shownWindow<FrmOption>(QStringLiteral("FrmOption"));
}

// The settings OK may change, as one comparable text.
QString stored(const AppState& state) {
    const SettingsRec& s = state.Settings;
    return QStringLiteral(
               "save %1 start %2 backup %3 time %4 links %5 classic %6 recent %7 prefix %8 folder %9 unmappable %10")
        .arg(s.SaveStatus)
        .arg(s.StartMode)
        .arg(s.BackupOn)
        .arg(s.BackupTime)
        .arg(s.DelLinks)
        .arg(int(state.Prefs.ClassicHtml))
        .arg(s.RecentMax)
        .arg(s.PrefixMax)
        .arg(state.BackupFolder)
        .arg(int(state.Prefs.Unmappable));
}

QString visiblePages(const FrmOption* dialog) {
    QString pages;
    for (int i = 1; i <= FrmOption::PageCount; ++i) {
        if (child<QWidget>(dialog, "Tabholder" + QString::number(i))->isVisible())
            pages += QString::number(i);
    }
    return pages;
}

} // namespace

class FrmOptionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void loadShowsTheSettings();
    void storing_data();
    void storing();
    void counts_data();
    void counts();
    void defaultsThenCancelKeepsDefaults();
    void clearingBackups();
    void clearingKeepsWhatTheProgramDidNotMake_data();
    void clearingKeepsWhatTheProgramDidNotMake();
    void legacyChoiceDecidesUndecidableFiles_data();
    void legacyChoiceDecidesUndecidableFiles();
    void phraseFilesAreEditedInTheAppFolder();
    void typesetSettingsAreShownAndStored();
    void cleanupRulesAreEditedInTheAppFolder();
};

void FrmOptionTest::loadShowsTheSettings() {
    TestApplication t;
    QVERIFY(t.start());
    SettingsRec& s = t.state().Settings;
    s.BackupTime = 7;
    s.ParaLevel = 2;
    s.StartMode = 1;
    s.BackupOn = 0;
    s.RecentMax = 3;
    t.state().Prefs.Unmappable = UnmappablePolicy::QuestionMark;
    // 1536000 bytes in two files, one of them below a batch folder.
    t.writeFile(t.state().BackupFolder + QStringLiteral("2003070514/000/a.txt"), QByteArray(1536000 - 1023, 'x'));
    t.writeFile(t.state().BackupFolder + QStringLiteral("b.txt"), QByteArray(1023, 'y'));
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    QLabel* lblTime = child<QLabel>(dialog, "LblTime");
    QLabel* labelGrade = child<QLabel>(dialog, "LabelGrade");
    QRadioButton* optStart1 = child<QRadioButton>(dialog, "OptStart1");
    QFrame* frameBackup = child<QFrame>(dialog, "FrameBackup");
    QVERIFY(!t.main()->isEnabled());

    QCOMPARE(lblTime->text(), QStringLiteral("一年"));
    QCOMPARE(labelGrade->text(), QStringLiteral("一般的"));
    QVERIFY(child<QLabel>(dialog, "LabelDetails")
                ->text()
                .startsWith(QStringLiteral("Level 2 [一般的]\n程序使用较为严格的段落判断")));
    QVERIFY(optStart1->isChecked());
    QVERIFY(!optStart1->isEnabled());
    QVERIFY(frameBackup->isHidden());
    QCOMPARE(child<QComboBox>(dialog, "ComboRecent")->currentText(), QStringLiteral("4"));
    QCOMPARE(child<QComboBox>(dialog, "ComboUnmappable")->currentText(), QStringLiteral("写为“?”"));
    QCOMPARE(child<QLabel>(dialog, "LabelUsedSpace")->text(), QStringLiteral("1,500 KB"));
    QVERIFY(!child<QPushButton>(dialog, "CmdHelp")->isEnabled());

    child<QCheckBox>(dialog, "ChkBackup")->click();
    QVERIFY(frameBackup->isVisibleTo(child<QWidget>(dialog, "Tabholder2")));
    child<QSlider>(dialog, "SliderTime")->setValue(3);
    QCOMPARE(lblTime->text(), QStringLiteral("一星期"));
    child<QSlider>(dialog, "Slider1")->setValue(0);
    QCOMPARE(labelGrade->text(), QStringLiteral("激进的"));
    QCOMPARE(visiblePages(dialog), QStringLiteral("1"));
    QTabBar* tabStrip1 = child<QTabBar>(dialog, "TabStrip1");
    for (int tab : {2, 2, 4, 1, 3, 5}) {
        tabStrip1->setCurrentIndex(tab - 1);
        QCOMPARE(visiblePages(dialog), QString::number(tab));
        saveShot(dialog, QStringLiteral("FrmOption-") + QString::number(tab));
    }
    // showTab() does what a click on the tab does: the tab and its page change together.
    dialog->showTab(4);
    QCOMPARE(tabStrip1->currentIndex(), 3);
    QCOMPARE(visiblePages(dialog), QStringLiteral("4"));
    QCOMPARE(dialog->optionsTab(), 4);

    child<QPushButton>(dialog, "CmdCancel")->click();
    settle();
    QVERIFY(t.main()->isEnabled());
    QCOMPARE(s.BackupTime, qint16(7));
    QCOMPARE(s.ParaLevel, qint16(2));
    QCOMPARE(FrmOption::usedSpaceText(1023), QStringLiteral("0 KB"));
    QCOMPARE(FrmOption::usedSpaceText(1024LL * 1234567), QStringLiteral("1,234,567 KB"));
}

// Each row changes every control, then presses OK with the two check boxes as given.
void FrmOptionTest::storing_data() {
    QTest::addColumn<bool>("saveStatus");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");

    QTest::newRow("unchecked save status stores nothing else")
        << false << true << "new"
        << "save 0 start 0 backup -1 time 5 links -1 classic 0 recent 7 prefix 29 folder %1backup/ unmappable 0"
        << "";
    QTest::newRow("unchecked backup keeps time and folder")
        << true << false << "new"
        << "save -1 start 0 backup 0 time 5 links 0 classic 1 recent 3 prefix 9 folder %1backup/ unmappable 1"
        << "";
    QTest::newRow("checked backup stores time and a new folder, created")
        << true << true << "new"
        << "save -1 start 0 backup -1 time 2 links 0 classic 1 recent 3 prefix 9 folder %1new/ unmappable 1"
        << "";
    QTest::newRow("a folder that cannot be created falls back to the default")
        << true << true << "missing/deeper"
        << "save -1 start 0 backup -1 time 2 links 0 classic 1 recent 3 prefix 9 folder %1backup/ unmappable 1"
        << "error: 2\nNo such file or directory\n";
    QTest::newRow("an empty folder box falls back to the default")
        << true << true << ""
        << "save -1 start 0 backup -1 time 2 links 0 classic 1 recent 3 prefix 9 folder %1backup/ unmappable 1"
        << "error: 2\nNo such file or directory\n";
}

void FrmOptionTest::storing() {
    QFETCH(bool, saveStatus);
    QFETCH(bool, backup);
    QFETCH(QString, folder);
    QFETCH(QString, result);
    QFETCH(QString, message);

    TestApplication t;
    QVERIFY(t.start());
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    child<QCheckBox>(dialog, "ChkSaveStatus")->setChecked(saveStatus);
    child<QCheckBox>(dialog, "ChkBackup")->setChecked(backup);
    child<QSlider>(dialog, "SliderTime")->setValue(2);
    child<QLineEdit>(dialog, "TextBackupfolder")->setText(folder.isEmpty() ? QString() : t.appFolder() + folder);
    child<QCheckBox>(dialog, "CheckDelLinks")->setChecked(false);
    child<QCheckBox>(dialog, "CheckClassicHtml")->setChecked(true);
    child<QComboBox>(dialog, "ComboRecent")->setEditText(QStringLiteral("4"));
    child<QComboBox>(dialog, "ComboPrefix")->setEditText(QStringLiteral("10"));
    child<QComboBox>(dialog, "ComboUnmappable")->setCurrentIndex(1);
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();

    QCOMPARE(stored(t.state()), result.arg(t.appFolder()));
    QCOMPARE(t.messages().texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(t.messages().shown().first().title, QStringLiteral("错误"));
    QCOMPARE(QFileInfo::exists(t.appFolder() + QStringLiteral("new")), result.contains(QLatin1String("new/")));
    QVERIFY(t.main()->isEnabled());
}

void FrmOptionTest::counts_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("storedMax");

    QTest::newRow("recent 25 is above 20") << "ComboRecent"
                                           << "25"
                                           << "8" << 7;
    QTest::newRow("recent 20 is accepted") << "ComboRecent"
                                           << "20"
                                           << "20" << 19;
    QTest::newRow("recent 0 is refused") << "ComboRecent"
                                         << "0"
                                         << "8" << 7;
    QTest::newRow("recent abc is refused") << "ComboRecent"
                                           << "abc"
                                           << "8" << 7;
    QTest::newRow("recent 0.4 is accepted, stored as no fewer than one") << "ComboRecent"
                                                                         << "0.4"
                                                                         << "0.4" << 0;
    QTest::newRow("recent 2.5 stores 1.5 rounded to even") << "ComboRecent"
                                                           << "2.5"
                                                           << "2.5" << 2;
    QTest::newRow("prefix 100 is accepted") << "ComboPrefix"
                                            << "100"
                                            << "100" << 99;
    QTest::newRow("prefix 101 is refused") << "ComboPrefix"
                                           << "101"
                                           << "30" << 29;
}

void FrmOptionTest::counts() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, storedMax);

    for (const bool viaOk : {false, true}) {
        TestApplication t;
        QVERIFY(t.start());
        FrmOption* dialog = openOptions(t);
        QVERIFY(dialog);
        auto* combo = child<QComboBox>(dialog, box);
        combo->setEditText(typed);
        if (!viaOk) {
            leave(combo);
            QCOMPARE(combo->currentText(), shown);
        }
        // OK with the focus still in the box (Enter) validates the same way before storing.
        child<QPushButton>(dialog, "CmdOk")->click();
        const SettingsRec& s = t.state().Settings;
        QCOMPARE(int(box == QLatin1String("ComboRecent") ? s.RecentMax : s.PrefixMax), storedMax);
    }
}

void FrmOptionTest::defaultsThenCancelKeepsDefaults() {
    TestApplication t;
    QVERIFY(t.start());
    AppState& state = t.state();
    state.Settings.BackupTime = 2;
    state.Settings.DelLinks = 0;
    state.Settings.RecentMax = 3;
    state.Prefs.Unmappable = UnmappablePolicy::SaveUtf8;
    state.BackupFolder = t.folder(QStringLiteral("elsewhere"));
    const QString defaults =
        QStringLiteral(
            "save -1 start 0 backup -1 time 5 links -1 classic 0 recent 7 prefix 29 folder %1backup/ unmappable 0")
            .arg(t.appFolder());
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    QPushButton* cmdDefault = child<QPushButton>(dialog, "CmdDefault");

    t.messages().queue({Answer::Cancel});
    cmdDefault->click();
    QCOMPARE(state.Settings.BackupTime, qint16(2));

    cmdDefault->click();
    QCOMPARE(t.messages().shown().last().title, QStringLiteral("Confirm Restore Default？"));
    QCOMPARE(t.messages().shown().last().text, QStringLiteral("确定要把所有的设置恢复为默认值吗?"));
    QCOMPARE(stored(state), defaults);
    QCOMPARE(child<QLabel>(dialog, "LblTime")->text(), QStringLiteral("三个月"));
    QCOMPARE(child<QLineEdit>(dialog, "TextBackupfolder")->text(), t.appFolder() + QStringLiteral("backup/"));
    QCOMPARE(child<QComboBox>(dialog, "ComboRecent")->currentText(), QStringLiteral("8"));

    child<QPushButton>(dialog, "CmdCancel")->click();
    settle();
    QCOMPARE(stored(state), defaults);
    QVERIFY(t.main()->isEnabled());
}

void FrmOptionTest::clearingBackups() {
    TestApplication t;
    QVERIFY(t.start());
    const QString backup = t.state().BackupFolder;
    t.writeFile(backup + QStringLiteral("20030705-14/000/a.txt"), QByteArray(4096, 'x'));
    QFile::setPermissions(backup + QStringLiteral("20030705-14/000/a.txt"), QFileDevice::ReadOwner);
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    QLabel* labelUsedSpace = child<QLabel>(dialog, "LabelUsedSpace");
    QPushButton* cmdClearBackup = child<QPushButton>(dialog, "CmdClearBackup");
    QCOMPARE(labelUsedSpace->text(), QStringLiteral("4 KB"));

    t.messages().queue({Answer::Cancel});
    cmdClearBackup->click();
    QVERIFY(QFile::exists(backup + QStringLiteral("20030705-14/000/a.txt")));
    QCOMPARE(labelUsedSpace->text(), QStringLiteral("4 KB"));

    cmdClearBackup->click();
    QCOMPARE(t.messages().shown().last().title, QStringLiteral("Quillmar"));
    QCOMPARE(t.messages().shown().last().text, QStringLiteral("确定要删除所有的备份文件吗？"));
    QVERIFY(QFileInfo(backup).isDir());
    QCOMPARE(QDir(backup).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(labelUsedSpace->text(), QStringLiteral("0 KB"));
}

void FrmOptionTest::clearingKeepsWhatTheProgramDidNotMake_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("the program's folder") << "app/";
    QTest::newRow("a folder above the program's folder") << "";
}

void FrmOptionTest::clearingKeepsWhatTheProgramDidNotMake() {
    QFETCH(QString, folder);

    // Whatever the backup folder is set to, only the backups the program made there go.
    TestApplication t;
    QVERIFY(t.start());
    const QString root = t.appFolder().chopped(4);
    t.state().BackupFolder = root + folder;
    t.writeFile(t.appFolder() + QStringLiteral("keep.txt"), "k");
    t.writeFile(root + folder + QStringLiteral("20030705-14/000/a.txt"), "a");
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);

    child<QPushButton>(dialog, "CmdClearBackup")->click();
    QCOMPARE(t.messages().texts(), QStringList{QStringLiteral("确定要删除所有的备份文件吗？")});
    QCOMPARE(t.readFile(t.appFolder() + QStringLiteral("keep.txt")), QByteArray("k"));
    QVERIFY(!QFile::exists(root + folder + QStringLiteral("20030705-14")));
}

QTEST_MAIN(FrmOptionTest)
// The choice is one of the settings: stored with OK only where the user keeps the settings.
void FrmOptionTest::legacyChoiceDecidesUndecidableFiles_data() {
    QTest::addColumn<bool>("saveStatus");
    QTest::addColumn<TextEncoding>("expected");
    QTest::newRow("kept settings: Big5 from now on") << true << TextEncoding::Big5;
    QTest::newRow("settings not kept: the choice is not stored either") << false << TextEncoding::Gb18030;
}

void FrmOptionTest::legacyChoiceDecidesUndecidableFiles() {
    QFETCH(bool, saveStatus);
    QFETCH(TextEncoding, expected);
    TestApplication t;
    QVERIFY(t.start());
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    QComboBox* comboLegacy = child<QComboBox>(dialog, "ComboLegacy");
    QCOMPARE(comboLegacy->currentIndex(), 0);
    child<QCheckBox>(dialog, "ChkSaveStatus")->setChecked(saveStatus);
    comboLegacy->setCurrentIndex(1);
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();
    QCOMPARE(t.state().Prefs.LegacyEncoding, expected);
    QCOMPARE(TextReader::decodingRules().fallback, expected);
    dialog = openOptions(t);
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(dialog, "ComboLegacy")->currentIndex(), expected == TextEncoding::Big5 ? 1 : 0);
    child<QPushButton>(dialog, "CmdCancel")->click();
    settle();
    TextReader::setDecodingRules({});
}

namespace {

PhraseEditFrm* openPhraseEditor(FrmOption* dialog) {
    child<QPushButton>(dialog, "CmdPhrasesS2T")->click();
    return shownWindow<PhraseEditFrm>(QStringLiteral("PhraseEditFrm"));
}

QPlainTextEdit* phraseText(PhraseEditFrm* editor) {
    return child<QPlainTextEdit>(editor, "TextPhrases");
}

void clickChild(QWidget* window, const QString& name) {
    child<QPushButton>(window, name)->click();
}

} // namespace

// The edited phrases reach their file with the options' OK, not with the editor's.
void FrmOptionTest::phraseFilesAreEditedInTheAppFolder() {
    TestApplication t;
    QVERIFY(t.start());
    const QString file = t.appFolder() + QStringLiteral("Phrases-s2t.txt");
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);

    PhraseEditFrm* editor = openPhraseEditor(dialog);
    QVERIFY(editor);
    QVERIFY2(phraseText(editor)->toPlainText().startsWith(u'#'), "a new file starts with the explanation");
    phraseText(editor)->setPlainText(QStringLiteral("被发明 被發明\n# 注释\n发明\n\n头发\t頭髮\n干"));
    QLabel* missing = child<QLabel>(editor, "LabelMissing");
    QCOMPARE(missing->text(), QStringLiteral("第 3、6 行没有译文，转换时不会用到。"));
    clickChild(editor, QStringLiteral("CmdOk"));
    settle();
    QVERIFY2(!QFile::exists(file), "nothing is written before the options are accepted");

    editor = openPhraseEditor(dialog);
    QVERIFY(editor);
    QCOMPARE(phraseText(editor)->toPlainText(), QStringLiteral("被发明 被發明\n# 注释\n发明\n\n头发\t頭髮\n干"));
    phraseText(editor)->setPlainText(QStringLiteral("被发明 被發明"));
    missing = child<QLabel>(editor, "LabelMissing");
    QVERIFY(missing->text().isEmpty());
    clickChild(editor, QStringLiteral("CmdOk"));
    settle();
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();
    QCOMPARE(t.readFile(file), QByteArray("被发明 被發明\n"));
    QVERIFY(!QFile::exists(t.appFolder() + QStringLiteral("Phrases-t2s.txt")));

    t.writeFile(file, "头发 頭髮\r\n");
    dialog = openOptions(t);
    QVERIFY(dialog);
    editor = openPhraseEditor(dialog);
    QVERIFY(editor);
    QCOMPARE(phraseText(editor)->toPlainText(), QStringLiteral("头发 頭髮\n"));
    phraseText(editor)->setPlainText(QStringLiteral("x y"));
    clickChild(editor, QStringLiteral("CmdOk"));
    settle();
    child<QPushButton>(dialog, "CmdCancel")->click();
    settle();
    QCOMPARE(t.readFile(file), QByteArray("头发 頭髮\r\n"));
}

void FrmOptionTest::cleanupRulesAreEditedInTheAppFolder() {
    TestApplication t;
    QVERIFY(t.start());
    const QString file = t.appFolder() + QStringLiteral("Cleanup-rules.txt");
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);

    child<QPushButton>(dialog, "CmdCleanupRules")->click();
    PhraseEditFrm* editor = shownWindow<PhraseEditFrm>(QStringLiteral("CleanupRulesEditFrm"));
    QVERIFY(editor);
    QVERIFY2(phraseText(editor)->toPlainText().contains(QStringLiteral("= 上一章*下一章")),
             "the editor opens on the starting set, written on first use");
    phraseText(editor)->setPlainText(QStringLiteral("= 飘天*首发"));
    QVERIFY2(child<QLabel>(editor, "LabelMissing")->text().isEmpty(), "a rule is no phrase without its conversion");
    clickChild(editor, QStringLiteral("CmdOk"));
    settle();
    QVERIFY(t.readFile(file).contains("= 上一章*下一章"));
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();
    QCOMPARE(t.readFile(file), QByteArray("= 飘天*首发\n"));
}

#include "FrmOptionTest.moc"

void FrmOptionTest::typesetSettingsAreShownAndStored() {
    TestApplication t;
    QVERIFY(t.start());
    Preferences& prefs = t.state().Prefs;
    prefs.TypesetQuotes = QStringLiteral("taiwan");
    prefs.TypesetIndent = QStringLiteral("keep");
    prefs.TypesetBlankLines = QStringLiteral("one");
    prefs.TypesetPunctuation = false;
    prefs.NarrowKeepsPunctuation = true;
    FrmOption* dialog = openOptions(t);
    QVERIFY(dialog);
    QComboBox* comboQuotes = child<QComboBox>(dialog, "ComboQuotes");
    QComboBox* comboIndent = child<QComboBox>(dialog, "ComboIndent");
    QComboBox* comboBlankLines = child<QComboBox>(dialog, "ComboBlankLines");
    QCheckBox* checkTypesetPunctuation = child<QCheckBox>(dialog, "CheckTypesetPunctuation");
    QCheckBox* checkLatinSpace = child<QCheckBox>(dialog, "CheckLatinSpace");
    QCheckBox* checkNarrowKeeps = child<QCheckBox>(dialog, "CheckNarrowKeeps");
    QCOMPARE(comboQuotes->currentIndex(), 2);
    QCOMPARE(comboIndent->currentIndex(), 2);
    QCOMPARE(comboBlankLines->currentIndex(), 2);
    QVERIFY(!checkTypesetPunctuation->isChecked());
    QVERIFY(!checkLatinSpace->isChecked());
    QVERIFY(checkNarrowKeeps->isChecked());

    comboQuotes->setCurrentIndex(0);
    comboIndent->setCurrentIndex(1);
    comboBlankLines->setCurrentIndex(1);
    checkTypesetPunctuation->setChecked(true);
    checkLatinSpace->setChecked(true);
    checkNarrowKeeps->setChecked(false);
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();
    QCOMPARE(prefs.TypesetQuotes, QStringLiteral("auto"));
    QCOMPARE(prefs.TypesetIndent, QStringLiteral("0"));
    QCOMPARE(prefs.TypesetBlankLines, QStringLiteral("none"));
    QVERIFY(prefs.TypesetPunctuation);
    QVERIFY(prefs.TypesetLatinSpace);
    QVERIFY(!prefs.NarrowKeepsPunctuation);
}
