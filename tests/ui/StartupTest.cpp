// Start-up and shutdown of the whole program on a temporary settings folder.

#include "ChildWidget.h"
#include "fakes-ui/TestApplication.h"
#include "ui/common/InProgress.h"
#include "ui/common/Twips.h"
#include "ui/dialogs/SplashFrm.h"
#include "ui/main/MainFrm.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>

using UiTest::child;

namespace {

// The 34-byte record with the given first field, StartMode, WinState and bounds; the other fields
// hold their defaults (DelLinks -1, BackupOn -1, BackupTime 5, RecentMax 7, PrefixMax 29, ParaLevel 1).
QByteArray record(qint16 saveStatus, qint16 startMode, qint16 winState, qint32 top, qint32 left, qint32 height,
                  qint32 width) {
    QByteArray bytes;
    auto put16 = [&bytes](qint16 v) {
        bytes.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
    };
    auto put32 = [&bytes](qint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((v >> (8 * i)) & 0xff));
    };
    put16(saveStatus);
    put16(startMode);
    put16(winState);
    put32(top);
    put32(left);
    put32(height);
    put32(width);
    for (qint16 v : {qint16(-1), qint16(-1), qint16(5), qint16(7), qint16(29), qint16(1)})
        put16(v);
    return bytes;
}

QStringList folderListing(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartUsesDefaultsAndWritesBothFilesAtExit();
    void storedBoundsAreAppliedAndSavedBack();
    void maximizedWindowSavesStateTwoWithTheEarlierBounds();
    void splitterPositionSurvivesARestart();
    void saveStatusOffWritesNothing();
    void firstStartTakesMostOfTheScreen_data();
    void firstStartTakesMostOfTheScreen();
    void changedSettingsAreWrittenBeforeExit_data();
    void changedSettingsAreWrittenBeforeExit();
    void aFolderFromTheCommandLineIsWrittenBeforeExit();
    void leftoverWorkingFileIsDeletedAtExit();
    void secondInstanceAnsweredNoStartsNothing();
    void secondInstanceAnsweredYesStarts();
    void startModeOneOpensTheWizard();
    void clickOnSplashEndsItOnce();
    void startupReportsItsLastErrorOnce();
};

void StartupTest::firstStartUsesDefaultsAndWritesBothFilesAtExit() {
    TestApplication t;
    QVERIFY(t.start());

    QCOMPARE(t.state().Settings, SettingsRec());
    QCOMPARE(t.state().BackupFolder, t.appFolder() + "backup/");
    QVERIFY(QDir(t.appFolder() + "backup").exists());
    QCOMPARE(t.state().RecentList.size(), 8);
    QCOMPARE(t.state().PrefixList.size(), 30);

    MainFrm* main = t.main();
    QVERIFY(main->isVisible());
    // Three quarters of the 800x800 screen's height, centred; the designed width is more than that.
    QCOMPARE(QRect(main->pos(), main->size()), QRect(29, 100, 741, 600));
    QVERIFY(t.app().inProgress() && t.app().inProgress()->isHidden());
    QVERIFY(t.messages().shown().isEmpty());

    const QString current = t.filesFolder();
    QVERIFY(main->openFolder(current));
    t.quit();

    QCOMPARE(QFileInfo(t.appFolder() + "Quillmar.cfg").size(), 34);
    QCOMPARE(TestApplication::readFile(t.appFolder() + "Quillmar.cfg"), record(-1, 0, 0, 1500, 435, 9000, 11115));
    const QStringList custom = TestApplication::readLines(t.appFolder() + "Custom.cfg");
    QCOMPARE(custom.size(), 39);
    QCOMPARE(custom[30], current); // the current folder heads the recent folders
    QCOMPARE(custom[38], t.appFolder() + "backup/");
    QVERIFY(t.app().inProgress() == nullptr); // unloaded
}

void StartupTest::storedBoundsAreAppliedAndSavedBack() {
    TestApplication t;
    TestApplication::writeFile(t.appFolder() + "Quillmar.cfg", record(-1, 0, 0, 720, 1440, 6000, 9000));
    QVERIFY(t.start());
    MainFrm* main = t.main();
    QCOMPARE(main->pos(), QPoint(96, 48));
    QCOMPARE(main->size(), QSize(600, 400));

    main->move(Twips::toPixels(300), Twips::toPixels(150));
    main->resize(Twips::toPixels(7200), Twips::toPixels(5760));
    t.quit();
    QCOMPARE(TestApplication::readFile(t.appFolder() + "Quillmar.cfg"), record(-1, 0, 0, 150, 300, 5760, 7200));
}

void StartupTest::splitterPositionSurvivesARestart() {
    const QByteArray bounds = record(-1, 0, 0, 720, 1440, 6000, 9000);
    TestApplication t;
    TestApplication::writeFile(t.appFolder() + "Quillmar.cfg", bounds);
    QVERIFY(t.start());
    QSplitter* splitter = child<QSplitter>(t.main(), "Splitter1");
    // The two sizes fill the splitter but for its handle.
    splitter->setSizes({200, splitter->height() - splitter->handleWidth() - 200});
    QCOMPARE(splitter->sizes().first(), 200);
    t.quit();
    const QByteArray preferences = TestApplication::readFile(t.appFolder() + "Preferences.ini");
    QVERIFY(preferences.contains("MainSplitter="));

    TestApplication again;
    TestApplication::writeFile(again.appFolder() + "Quillmar.cfg", bounds);
    TestApplication::writeFile(again.appFolder() + "Preferences.ini", preferences);
    QVERIFY(again.start());
    QCOMPARE(child<QSplitter>(again.main(), "Splitter1")->sizes().first(), 200);
}

void StartupTest::maximizedWindowSavesStateTwoWithTheEarlierBounds() {
    TestApplication t;
    TestApplication::writeFile(t.appFolder() + "Quillmar.cfg", record(-1, 0, 0, 720, 1440, 6000, 9000));
    QVERIFY(t.start());
    t.main()->showMaximized();
    QTRY_VERIFY(t.main()->isMaximized());
    t.quit();
    QCOMPARE(TestApplication::readFile(t.appFolder() + "Quillmar.cfg"), record(-1, 0, 2, 720, 1440, 6000, 9000));

    // The next start applies the state on top of the same bounds.
    TestApplication again;
    TestApplication::writeFile(again.appFolder() + "Quillmar.cfg", record(-1, 0, 2, 720, 1440, 6000, 9000));
    QVERIFY(again.start());
    QVERIFY(again.main()->windowState() & Qt::WindowMaximized);
}

void StartupTest::saveStatusOffWritesNothing() {
    TestApplication t;
    QVERIFY(t.start());
    t.state().Settings.SaveStatus = 0;
    t.quit();
    QVERIFY(!QFile::exists(t.appFolder() + "Quillmar.cfg"));
    QVERIFY(!QFile::exists(t.appFolder() + "Custom.cfg"));
}

void StartupTest::firstStartTakesMostOfTheScreen_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("bounds");
    QTest::newRow("a large screen: three quarters of it, centred")
        << QRect(0, 0, 1600, 1000) << QRect(200, 125, 1200, 750);
    QTest::newRow("a panel on top, the designed height above three quarters")
        << QRect(0, 40, 1024, 660) << QRect(128, 96, 768, 547);
    QTest::newRow("a small screen: the designed size") << QRect(0, 0, 800, 600) << QRect(32, 16, 741, 547);
}

void StartupTest::firstStartTakesMostOfTheScreen() {
    QFETCH(QRect, available);
    QFETCH(QRect, bounds);
    QCOMPARE(Application::firstBounds(QRect(32, 16, 741, 547), available), bounds);
}

void StartupTest::changedSettingsAreWrittenBeforeExit_data() {
    QTest::addColumn<bool>("saveStatus");
    QTest::newRow("kept settings are written while the program runs") << true;
    QTest::newRow("settings not kept: nothing is written") << false;
}

// A program that is killed after a change keeps it: the change is written while it runs.
void StartupTest::changedSettingsAreWrittenBeforeExit() {
    QFETCH(bool, saveStatus);
    TestApplication t;
    QVERIFY(t.start());
    QVERIFY(child<QTimer>(&t.app(), "settingsSaveTimer")->isActive());
    QVERIFY2(!t.app().saveSettingsIfChanged(), "nothing changed since start-up");
    QVERIFY(!QFile::exists(t.appFolder() + "Quillmar.cfg"));

    t.state().Settings.SaveStatus = toFlag(saveStatus);
    t.state().Settings.ParaLevel = 3;
    t.state().Prefs.ClassicHtml = true;
    QCOMPARE(t.app().saveSettingsIfChanged(), saveStatus);
    QCOMPARE(QFile::exists(t.appFolder() + "Quillmar.cfg"), saveStatus);
    QCOMPARE(QFile::exists(t.appFolder() + "Preferences.ini"), saveStatus);
    if (!saveStatus)
        return;
    QCOMPARE(TestApplication::readFile(t.appFolder() + "Quillmar.cfg").at(32), char(3));
    QVERIFY(TestApplication::readFile(t.appFolder() + "Preferences.ini").contains("ClassicHtml"));
    QVERIFY2(!t.app().saveSettingsIfChanged(), "written once per change");
    t.state().PrefixList[0] = QStringLiteral("第");
    QVERIFY(t.app().saveSettingsIfChanged());
    QVERIFY(TestApplication::readLines(t.appFolder() + "Custom.cfg").contains(QStringLiteral("第")));
}

// A program started on a folder and killed later still lists that folder among the recent ones.
void StartupTest::aFolderFromTheCommandLineIsWrittenBeforeExit() {
    TestApplication t(true);
    QVERIFY(t.start());
    QCOMPARE(t.state().CurrentFolder, t.filesFolder());
    QVERIFY(t.app().saveSettingsIfChanged());
    QVERIFY(TestApplication::readLines(t.appFolder() + "Custom.cfg").contains(t.filesFolder()));
}

void StartupTest::leftoverWorkingFileIsDeletedAtExit() {
    TestApplication t;
    TestApplication::writeFile(t.appFolder() + "tempfile.tmp", "left over");
    QVERIFY(t.start());
    QVERIFY(QFile::exists(t.appFolder() + "tempfile.tmp"));
    t.quit();
    QVERIFY(!QFile::exists(t.appFolder() + "tempfile.tmp"));
}

void StartupTest::secondInstanceAnsweredNoStartsNothing() {
    TestApplication first;
    QVERIFY(first.start());
    const QStringList before = folderListing(first.appFolder());

    ScriptedMessageProvider messages;
    messages.queue({MessageProvider::Answer::No});
    Application::Options options;
    options.appFolder = first.appFolder();
    options.messages = &messages;
    Application second(options);
    QVERIFY(!second.start());

    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown()[0].icon, MessageProvider::Icon::Question);
    QCOMPARE(messages.shown()[0].buttons, MessageProvider::Buttons::YesNo);
    QCOMPARE(messages.shown()[0].title, QStringLiteral("Quillmar"));
    QCOMPARE(messages.shown()[0].text,
             QStringLiteral("已经有QuillMar 羽墨工坊的一个实例在运行，您想要重新运行一个新的实例吗？"));
    QVERIFY(second.mainFrm() == nullptr);
    QVERIFY(second.splash() == nullptr);
    QCOMPARE(folderListing(first.appFolder()), before);
}

void StartupTest::secondInstanceAnsweredYesStarts() {
    TestApplication first;
    QVERIFY(first.start());
    first.quit();

    // The first copy has ended: no question at all.
    ScriptedMessageProvider messages;
    Application::Options options;
    options.appFolder = first.appFolder();
    options.messages = &messages;
    {
        Application next(options);
        QVERIFY(next.start());
        QVERIFY(messages.shown().isEmpty());

        messages.queue({MessageProvider::Answer::Yes});
        Application second(options);
        QVERIFY(second.start());
        QCOMPARE(messages.shown().size(), 1);
        QVERIFY(second.mainFrm() != nullptr);
    }
}

void StartupTest::startModeOneOpensTheWizard() {
    TestApplication t;
    TestApplication::writeFile(t.appFolder() + "Quillmar.cfg", record(-1, 1, 0, 240, 480, 8205, 11115));
    QPointer<QWidget> wizard;
    t.app().taskWindows().wizard = [&wizard](Application&) -> QWidget* {
        wizard = new QWidget;
        wizard->setObjectName(QStringLiteral("FastWork"));
        return wizard;
    };
    QVERIFY(t.start(false));
    QVERIFY(wizard && wizard->isHidden());
    QVERIFY(t.main()->isHidden());

    t.app().splash()->end();
    QVERIFY(wizard->isVisible());
    QVERIFY(t.main()->isHidden());
    t.quit();
    QVERIFY(wizard.isNull()); // unloaded by the shutdown
}

void StartupTest::clickOnSplashEndsItOnce() {
    TestApplication t;
    QVERIFY(t.start(false));
    QPointer<SplashFrm> splash = t.app().splash();
    QVERIFY(splash && splash->isVisible());
    QTimer* timer1 = UiTest::child<QTimer>(splash, "Timer1");
    QVERIFY(timer1->isActive());
    QCOMPARE(timer1->interval(), 3000);
    QVERIFY(t.main()->isHidden());

    QSignalSpy ended(splash.data(), &SplashFrm::ended);
    timer1->setInterval(20);
    QTest::mouseClick(UiTest::child<QFrame>(splash, "Frame1"), Qt::LeftButton);
    QVERIFY(t.main()->isVisible());
    QTest::qWait(60);
    QCOMPARE(ended.count(), 1);
    QTRY_VERIFY(splash.isNull());
}

void StartupTest::startupReportsItsLastErrorOnce() {
    TestApplication t;
    // An accepted record and a list file whose backup folder cannot be created.
    TestApplication::writeFile(t.appFolder() + "Quillmar.cfg", record(-1, 0, 0, 240, 480, 8205, 11115));
    QByteArray custom;
    for (int i = 0; i < 38; ++i)
        custom += "\r\n";
    custom += t.appFolder().toUtf8() + "missing/backup/\r\n";
    TestApplication::writeFile(t.appFolder() + "Custom.cfg", custom);

    QVERIFY(t.start());
    QCOMPARE(t.messages().shown().size(), 1);
    QCOMPARE(t.messages().shown()[0].icon, MessageProvider::Icon::Exclamation);
    QCOMPARE(t.messages().shown()[0].title, QStringLiteral("Error"));
    QVERIFY2(t.messages().shown()[0].text.startsWith(QStringLiteral("错误: 2\n")),
             qPrintable(t.messages().shown()[0].text));
    QVERIFY(t.main()->isVisible());
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
