// The find-and-replace dialog: when it can start, one run in the progress window, and who enables
// the main window afterwards.

#include "ui/dialogs/Replace.h"
#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "MainWindowControls.h"
#include "core/AppState.h"
#include "fakes-ui/TestApplication.h"
#include "runner/FileStep.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"
#include "ui/main/PreviewBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using UiTest::child;

using UiTest::fileList;
using UiTest::preview;

using namespace DialogTest;

namespace {

Replace* openReplace(TestApplication& t, const QStringList& selected) {
    t.main()->openFolder(t.filesFolder());
    selectInMain(t.main(), selected);
    t.main()->openReplace();
    return shownWindow<Replace>(QStringLiteral("Replace"));
}

} // namespace

class ReplaceTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { deleteLeftDialogs(); }
    void findTextEnablesStartAndCancelEnablesMain();
    void prefilledFromThePreviewSelection();
    void run_data();
    void run();
};

void ReplaceTest::findTextEnablesStartAndCancelEnablesMain() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("a.txt"), "x\r\n");
    QPointer<Replace> dialog = openReplace(t, {QStringLiteral("a.txt")});
    QVERIFY(dialog);
    saveShot(dialog, QStringLiteral("Replace"));
    QComboBox* source = child<QComboBox>(dialog, "ComboSource");
    QPushButton* start = child<QPushButton>(dialog, "CmdOk");
    QStringList items;
    for (int i = 0; i < source->count(); ++i)
        items.append(source->itemText(i));
    QCOMPARE(items, QStringList({">", "<", "|", "〉", "〈", "＞", "＜"}));
    QCOMPARE(source->currentText(), QStringLiteral(">"));
    QVERIFY(start->isEnabled());
    QVERIFY(!child<QCheckBox>(dialog, "CheckWord")->isEnabled());
    QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));

    source->lineEdit()->selectAll();
    QTest::keyClick(source->lineEdit(), Qt::Key_Delete);
    QVERIFY(!start->isEnabled());
    QTest::keyClicks(source->lineEdit(), QStringLiteral(" "));
    QVERIFY(start->isEnabled());

    QVERIFY(!t.main()->isEnabled());
    child<QPushButton>(dialog, "CmdCancel")->click();
    settle();
    QVERIFY(dialog.isNull());
    QVERIFY(t.main()->isEnabled());
    QVERIFY(t.state().ProgressOwner.isNull());
    QCOMPARE(t.readFile(t.filesFolder() + QStringLiteral("a.txt")), QByteArray("x\r\n"));
}

void ReplaceTest::prefilledFromThePreviewSelection() {
    TestApplication t;
    QVERIFY(t.start());
    t.writeFile(t.filesFolder() + QStringLiteral("a.txt"), "xx abc yy\r\n");
    t.main()->openFolder(t.filesFolder());
    QVERIFY(preview(t.main())->loadFile(t.filesFolder() + QStringLiteral("a.txt")));
    QTextCursor cursor = preview(t.main())->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    preview(t.main())->setTextCursor(cursor);

    Replace* dialog = openReplace(t, {QStringLiteral("a.txt")});
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(dialog, "ComboSource")->currentText(), QStringLiteral("abc"));
}

void ReplaceTest::run_data() {
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");

    QTest::newRow("the preset '<' removed, empty lines kept, a last line end added")
        << "<"
        << "" << false << QByteArray("p>Hello/p>\r\n\r\nAb>\r\n") << QByteArray("ab\r\n");
    QTest::newRow("without case sensitivity 'a' matches 'A'")
        << "a"
        << "_" << false << QByteArray("<p>Hello</p>\r\n\r\n_<b>\r\n") << QByteArray("_<b\r\n");
    QTest::newRow("with case sensitivity 'a' leaves 'A'")
        << "a"
        << "_" << true << QByteArray("<p>Hello</p>\r\n\r\nA<b>\r\n") << QByteArray("_<b\r\n");
}

void ReplaceTest::run() {
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(bool, caseSensitive);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);

    TestApplication t;
    QVERIFY(t.start());
    const QString f = t.filesFolder();
    t.writeFile(f + QStringLiteral("a.txt"), "<p>Hello</p>\r\n\r\nA<b>\r\n");
    t.writeFile(f + QStringLiteral("b.txt"), "a<b");
    t.writeFile(f + QStringLiteral("c.txt"), "<untouched>\r\n");
    t.main()->openFolder(f);
    QVERIFY(preview(t.main())->loadFile(f + QStringLiteral("a.txt")));
    QPointer<Replace> dialog = openReplace(t, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(dialog);

    child<QComboBox>(dialog, "ComboSource")->setEditText(find);
    child<QComboBox>(dialog, "ComboTo")->setEditText(replacement);
    child<QCheckBox>(dialog, "CheckCaps")->setChecked(caseSensitive);
    child<QPushButton>(dialog, "CmdOk")->click();
    settle();

    QVERIFY(dialog.isNull());
    InProgress* progress = t.app().inProgress();
    QVERIFY(progress->isVisible());
    QVERIFY(progress->isFinished());
    // A file the replacement leaves as it was says so.
    const QString aReason = a == "<p>Hello</p>\r\n\r\nA<b>\r\n" ? FileStep::unchangedReason() : QString();
    QCOMPARE(progressRows(*progress), QStringList({"a.txt|完成|" + aReason, "b.txt|完成|"}));
    QCOMPARE(progress->windowTitle(), f);
    QCOMPARE(t.readFile(f + QStringLiteral("a.txt")), a);
    QCOMPARE(t.readFile(f + QStringLiteral("b.txt")), b);
    QCOMPARE(t.readFile(f + QStringLiteral("c.txt")), QByteArray("<untouched>\r\n"));
    // The preview shows the replaced text.
    QCOMPARE(preview(t.main())->toPlainText(),
             QString::fromUtf8(a).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    QVERIFY(!t.main()->isEnabled());
    child<QPushButton>(progress, "CmdOK")->click();
    QVERIFY(t.main()->isEnabled());
}

QTEST_MAIN(ReplaceTest)
#include "ReplaceTest.moc"
