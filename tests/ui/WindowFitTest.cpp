// The task windows on a screen too small for them: 800x800 at a scaling of 1.6 leaves 500x500, as
// 1600x1000 at twice the scale leaves 800x500. The windows open no larger than the screen, with their
// buttons in view.

#include "DialogTestSupport.h"
#include "WindowControls.h"
#include "fakes-ui/TestApplication.h"
#include "ui/dialogs/BackupFrm.h"
#include "ui/dialogs/EpubFrm.h"
#include "ui/dialogs/MergeFrm.h"
#include "ui/main/MainFrm.h"
#include "ui/wizard/FastWork.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>

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
    DialogTest::control<QPushButton>(epub, "CmdCancel")->click();
    DialogTest::settle();

    t.main()->openBackups();
    auto* backups = DialogTest::shownWindow<BackupFrm>(QStringLiteral("BackupFrm"));
    QVERIFY(backups);
    QCOMPARE(outOfView(backups, {"CmdRestore", "CmdDelete", "CmdPrune", "CmdClose"}), QStringList());
    DialogTest::control<QPushButton>(backups, "CmdClose")->click();
    DialogTest::settle();
}

QTEST_MAIN(WindowFitTest)
#include "WindowFitTest.moc"
