// The folder picker, the splash and the about box.

#include "DialogTestSupport.h"
#include "core/AppState.h"
#include "fakes-ui/ScriptedMessageProvider.h"
#include "ui/common/DriveList.h"
#include "ui/common/FolderList.h"
#include "ui/common/PickFolder.h"
#include "ui/dialogs/AboutFrm.h"
#include "ui/dialogs/BrowseFrm.h"
#include "ui/dialogs/SplashFrm.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

int rowOfFolder(const FolderList* list, const QString& name) {
    return DialogTest::listTexts(list).indexOf(name);
}

void doubleClickFolder(FolderList* list, const QString& name) {
    const QRect rect = list->visualItemRect(list->item(rowOfFolder(list, name)));
    // An item view opens on a double click only over the entry that the first press hit.
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class SmallWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void pickerReturnsTheOpenFolderWithOneSlash_data();
    void pickerReturnsTheOpenFolderWithOneSlash();
    void cancelReturnsNothing();
    void pickerIgnoresEscapeAndHasNoCloseBox();
    void folderListShowsParentsAndSubFolders();
    void pickFolderStartsAtAnExistingFolder();
    void pickFolderWithAMissingStartOpensAtTheCurrentFolder();
    void splashShowsTheVersion();
    void aboutBoxListsTheContributors();

private:
    QTemporaryDir m_dir;
    QString m_root;
};

void SmallWindowsTest::init() {
    m_root = QDir::cleanPath(m_dir.path());
    QDir(m_root).mkpath(u"书库/第一部"_s);
    QDir(m_root).mkpath(u"b"_s);
    QDir(m_root).mkpath(u".hidden"_s);
}

void SmallWindowsTest::pickerReturnsTheOpenFolderWithOneSlash_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("doubleClicked");
    QTest::addColumn<QString>("highlighted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the root keeps its single slash") << u"/"_s << QString() << QString() << u"/"_s;
    QTest::newRow("a folder gets one slash") << u"<root>"_s << QString() << QString() << u"<root>/"_s;
    QTest::newRow("a double-clicked folder is opened") << u"<root>"_s << u"书库"_s << QString() << u"<root>/书库/"_s;
    QTest::newRow("a folder only highlighted is not the one returned")
        << u"<root>/书库"_s << QString() << u"第一部"_s << u"<root>/书库/"_s;
}

void SmallWindowsTest::pickerReturnsTheOpenFolderWithOneSlash() {
    QFETCH(QString, start);
    QFETCH(QString, doubleClicked);
    QFETCH(QString, highlighted);
    QFETCH(QString, expected);
    start.replace(u"<root>"_s, m_root);
    expected.replace(u"<root>"_s, m_root);

    AppState state;
    ScriptedMessageProvider messages;
    BrowseFrm picker(state, messages);
    picker.show();
    QVERIFY(picker.openFolder(start));
    auto* dir1 = UiTest::child<FolderList>(&picker, "Dir1");
    if (!doubleClicked.isEmpty())
        doubleClickFolder(dir1, doubleClicked);
    if (!highlighted.isEmpty())
        dir1->setCurrentRow(rowOfFolder(dir1, highlighted));
    QTest::mouseClick(UiTest::child<QPushButton>(&picker, "CmdOk"), Qt::LeftButton);
    QCOMPARE(state.PickedFolder, expected);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QVERIFY(!picker.isVisible());
}

void SmallWindowsTest::cancelReturnsNothing() {
    AppState state;
    state.PickedFolder = u"/earlier/"_s;
    ScriptedMessageProvider messages;
    BrowseFrm picker(state, messages);
    picker.show();
    QTest::mouseClick(UiTest::child<QPushButton>(&picker, "Cmdcancel"), Qt::LeftButton);
    QCOMPARE(state.PickedFolder, QString());
    QVERIFY(!picker.isVisible());
}

void SmallWindowsTest::pickerIgnoresEscapeAndHasNoCloseBox() {
    AppState state;
    ScriptedMessageProvider messages;
    BrowseFrm picker(state, messages);
    picker.show();
    QTest::keyClick(&picker, Qt::Key_Escape);
    picker.close();
    QVERIFY(picker.isVisible());
    QVERIFY(!(picker.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(picker.windowTitle(), QString());
    QCOMPARE(UiTest::child<QLabel>(&picker, "Label1")->text(), u"请选择目录："_s);
    const auto* ok = UiTest::child<QPushButton>(&picker, "CmdOk");
    QCOMPARE(ok->text(), u"确定"_s);
    QVERIFY(ok->isDefault());
    QCOMPARE(UiTest::child<QPushButton>(&picker, "Cmdcancel")->text(), u"取消"_s);
}

void SmallWindowsTest::folderListShowsParentsAndSubFolders() {
    FolderList list;
    QVERIFY(list.setPath(m_root + u"/书库"_s));
    const QStringList shown = DialogTest::listTexts(&list);
    QStringList expected{u"/"_s};
    expected += m_root.mid(1).split(u'/');
    expected += QStringList({u"书库"_s, u"第一部"_s});
    QCOMPARE(shown, expected);
    QCOMPARE(list.path(), m_root + u"/书库"_s);

    FileError error;
    QVERIFY(!list.setPath(m_root + u"/missing"_s, &error));
    QCOMPARE(error.number, 2);
    QCOMPARE(list.path(), m_root + u"/书库"_s);
}

void SmallWindowsTest::pickFolderStartsAtAnExistingFolder() {
    AppState state;
    ScriptedMessageProvider messages;
    QString openAtStart;
    DialogTest::answerPickerLater([&](BrowseFrm* picker) {
        auto* dir1 = UiTest::child<FolderList>(picker, "Dir1");
        openAtStart = dir1->path();
        doubleClickFolder(dir1, u"b"_s);
        UiTest::child<QPushButton>(picker, "CmdOk")->click();
    });
    QCOMPARE(PickFolder(state, messages, m_root + u"/"_s), m_root + u"/b/"_s);
    QCOMPARE(openAtStart, m_root);
    QCOMPARE(state.PickedFolder, m_root + u"/b/"_s);
}

void SmallWindowsTest::pickFolderWithAMissingStartOpensAtTheCurrentFolder() {
    AppState state;
    ScriptedMessageProvider messages;
    QString openAtStart;
    DialogTest::answerPickerLater([&](BrowseFrm* picker) {
        openAtStart = UiTest::child<FolderList>(picker, "Dir1")->path();
        UiTest::child<QPushButton>(picker, "Cmdcancel")->click();
    });
    QCOMPARE(PickFolder(state, messages, m_root + u"/gone/"_s), QString());
    QCOMPARE(openAtStart, QDir::currentPath());
}

void SmallWindowsTest::splashShowsTheVersion() {
    SplashFrm splash;
    QCOMPARE(UiTest::child<QLabel>(&splash, "LabelVersion")->text(), u"Version 2.1"_s);
    QCOMPARE(UiTest::child<QLabel>(&splash, "LabelBuild")->text(), u"Revision 0022"_s);
    QCOMPARE(splash.size(), QSize(551, 336));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!UiTest::child<QTimer>(&splash, "Timer1")->isActive());
}

void SmallWindowsTest::aboutBoxListsTheContributors() {
    AboutFrm about;
    const auto* people = UiTest::child<QTreeWidget>(&about, "LV1");
    QCOMPARE(about.windowTitle(), u"QuillMar 羽墨工坊"_s);
    QCOMPARE(UiTest::child<QLabel>(&about, "Label1")->text(), u"Version 2.1"_s);
    QCOMPARE(people->topLevelItemCount(), 1);
    QCOMPARE(about.size(), QSize(640, 373));

    // The box closes through its own button, which Enter presses.
    about.show();
    const auto* close = UiTest::child<QPushButton>(&about, "CmdClose");
    QCOMPARE(close->text(), u"关闭[&C]"_s);
    QVERIFY(about.rect().contains(close->geometry()));
    QVERIFY(!people->geometry().intersects(close->geometry()));
    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

QTEST_MAIN(SmallWindowsTest)
#include "SmallWindowsTest.moc"
