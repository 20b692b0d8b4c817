// The progress window: what each report shows, the start of a batch, completion and acknowledge.

#include "ChildWidget.h"
#include "DialogTestSupport.h"
#include "core/AppState.h"
#include "ui/common/InProgress.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

using UiTest::child;

namespace {

struct Report {
    int percent;
    QString text;
    QString status;
    QString reason;
    Outcome outcome;
};

// What the window shows: bar value, percentage text, the rows as "text|status|reason|mark" (mark
// "" when the row has no icon, "mark" when it has one), and whether the acknowledge button is up.
struct Shown {
    int bar;
    QString label;
    QStringList rows;
    bool finished;
    bool waiting;
};

Shown shownBy(const InProgress& window) {
    return {child<QProgressBar>(&window, "PrgBar1")->value(), child<QLabel>(&window, "LabelStatus")->text(),
            DialogTest::progressRows(window, 3, DialogTest::Marks::With), window.isFinished(),
            !child<QLabel>(&window, "LabelWait")->isHidden()};
}

// The batch's completion report.
void complete(InProgress& window) {
    window.complete();
}

} // namespace

Q_DECLARE_METATYPE(QList<Report>)

class ProgressWindowTest : public QObject {
    Q_OBJECT

private slots:
    void reports_data();
    void reports();
    void designedLook();
    void batchDisablesItsOwnerUntilAcknowledged();
    void batchWithoutOwnerStillEnablesTheRecordedWindow();
    void nextBatchStartsClean();
    void escapeDoesNotEndABatch();
    void stopButtonOnlyWhileABatchRuns();
    void inputQueuedDuringTheRunNeverAcknowledges();
    void theLastRowSumsUpAndAStoppedBarStays();
    void attentionFilterHidesBlueRowsOnly();
    void rowsNameFilesAndTheTitleNamesTheFolder();
};

void ProgressWindowTest::reports_data() {
    QTest::addColumn<QList<Report>>("reports");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("finished");

    QTest::newRow("percent 0 adds a row and leaves the bar")
        << QList<Report>{{0, "-html转换-", "", "", Outcome::Heading}} << 0 << "0%" << QStringList{"-html转换-|||"} << false;
    QTest::newRow("a positive percent moves the bar and writes the percentage")
        << QList<Report>{{7, "a.txt", "完成", "", Outcome::Done}} << 7 << "7%" << QStringList{"a.txt|完成||mark"} << false;
    QTest::newRow("the same percent twice moves the bar once")
        << QList<Report>{{50, "a.txt", "完成", "", Outcome::Done}, {50, "a.txt", "注意", "x", Outcome::Note}} << 50 << "50%"
        << QStringList{"a.txt|完成||mark", "a.txt|注意|x|mark"} << false;
    QTest::newRow("an empty text moves the bar and adds no row")
        << QList<Report>{{33, "", "完成", "x", Outcome::Done}} << 33 << "33%" << QStringList{} << false;
    QTest::newRow("an empty mark adds a row without a mark, columns still filled")
        << QList<Report>{{0, "总时间：0.12 秒", "", "", Outcome::Heading}, {0, "b.txt", "未完成", "", Outcome::Heading}} << 0 << "0%"
        << QStringList{"总时间：0.12 秒|||", "b.txt|未完成||"} << false;
    QTest::newRow("a completion with a text adds the row, then completes")
        << QList<Report>{{66, "a.txt", "完成", "", Outcome::Done}, {-1, "last", "s", "r", Outcome::Error}} << 100 << "100%"
        << QStringList{"a.txt|完成||mark", "last|s|r|mark"} << true;
    QTest::newRow("a batch over no files still completes")
        << QList<Report>{{0, "总时间：0.00 秒", "", "", Outcome::Summary}, {-1, "", "", "", Outcome::Heading}} << 100 << "100%"
        << QStringList{"总时间：0.00 秒|||mark"} << true;
    QTest::newRow("percents outside 1..100 other than -1 leave the bar")
        << QList<Report>{{40, "", "", "", Outcome::Heading}, {-5, "", "", "", Outcome::Heading}, {101, "", "", "", Outcome::Heading}} << 40 << "40%"
        << QStringList{} << false;
    QTest::newRow("three files show 33, 66, 100")
        << QList<Report>{{33, "a", "完成", "", Outcome::Done}, {66, "b", "完成", "", Outcome::Done}, {100, "c", "完成", "", Outcome::Done}}
        << 100 << "100%" << QStringList{"a|完成||mark", "b|完成||mark", "c|完成||mark"} << false;
}

void ProgressWindowTest::reports() {
    QFETCH(QList<Report>, reports);
    QFETCH(int, bar);
    QFETCH(QString, label);
    QFETCH(QStringList, rows);
    QFETCH(bool, finished);

    AppState state;
    InProgress window(state);
    for (const Report& report : reports)
        window.ReportProgress(report.percent, ResultRow::about(report.outcome, report.text, report.status, report.reason));

    const Shown shown = shownBy(window);
    QCOMPARE(shown.bar, bar);
    QCOMPARE(shown.label, label);
    QCOMPARE(shown.rows, rows);
    QCOMPARE(shown.finished, finished);
    QCOMPARE(shown.waiting, !finished);
}

void ProgressWindowTest::designedLook() {
    AppState state;
    InProgress window(state);
    QCOMPARE(window.objectName(), QStringLiteral("InProgress"));
    QCOMPARE(window.windowTitle(), QString());
    QCOMPARE(window.size(), QSize(506, 337));
    QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(child<QLabel>(&window, "LabelWait")->text(), QStringLiteral("处理中，请稍候……"));
    QCOMPARE(child<QPushButton>(&window, "CmdOK")->text(), QStringLiteral("关闭[&O]"));
    QVERIFY(child<QPushButton>(&window, "CmdOK")->isDefault());
    const QTreeWidgetItem* header = child<QTreeWidget>(&window, "LVResults")->headerItem();
    QCOMPARE(QStringList({header->text(0), header->text(1), header->text(2)}), QStringList({"项目", "状态", "原因"}));
    QCOMPARE(child<QProgressBar>(&window, "PrgBar1")->minimum(), 0);
    QCOMPARE(child<QProgressBar>(&window, "PrgBar1")->maximum(), 100);
}

void ProgressWindowTest::batchDisablesItsOwnerUntilAcknowledged() {
    AppState state;
    QWidget owner;
    owner.show();
    InProgress window(state);

    window.beginBatch(&owner);
    QVERIFY(window.isVisible());
    QVERIFY(!owner.isEnabled());
    QCOMPARE(state.ProgressOwner.data(), &owner);
    QCOMPARE(window.windowHandle()->transientParent(), owner.windowHandle());

    window.ReportProgress(100, ResultRow::about(Outcome::Done, QStringLiteral("a.txt"), QStringLiteral("完成")));
    complete(window);
    QVERIFY(!owner.isEnabled());
    QVERIFY(child<QPushButton>(&window, "CmdOK")->isVisible());
    // The owner is not the window's Qt parent: disabling it must not disable the button.
    QVERIFY(window.isEnabled());
    QVERIFY(child<QPushButton>(&window, "CmdOK")->isEnabled());

    QTest::mouseClick(child<QPushButton>(&window, "CmdOK"), Qt::LeftButton);
    QVERIFY(owner.isEnabled());
    QVERIFY(state.ProgressOwner.isNull());
    QVERIFY(!window.isVisible());
    const Shown shown = shownBy(window);
    QCOMPARE(shown.bar, 0);
    QCOMPARE(shown.label, QStringLiteral("0%"));
    QCOMPARE(shown.rows, QStringList());
    QVERIFY(child<QPushButton>(&window, "CmdOK")->isHidden());
    QVERIFY(!child<QLabel>(&window, "LabelWait")->isHidden());
}

void ProgressWindowTest::batchWithoutOwnerStillEnablesTheRecordedWindow() {
    AppState state;
    QWidget mainWindow;
    mainWindow.show();
    mainWindow.setEnabled(false); // disabled when the find-and-replace dialog was opened
    InProgress window(state);

    window.beginBatch(&mainWindow, false);
    QVERIFY(window.windowHandle()->transientParent() == nullptr);
    QCOMPARE(state.ProgressOwner.data(), &mainWindow);
    complete(window);
    window.acknowledge();
    QVERIFY(mainWindow.isEnabled());
}

void ProgressWindowTest::nextBatchStartsClean() {
    AppState state;
    QWidget owner;
    InProgress window(state);
    window.beginBatch(&owner);
    window.ReportProgress(50, ResultRow::about(Outcome::Done, QStringLiteral("a"), QStringLiteral("完成")));
    complete(window);
    window.acknowledge();

    window.beginBatch(&owner);
    const Shown shown = shownBy(window);
    QCOMPARE(shown.bar, 0);
    QCOMPARE(shown.label, QStringLiteral("0%"));
    QCOMPARE(shown.rows, QStringList());
    QVERIFY(!shown.finished);
    QVERIFY(shown.waiting);
    // A bar moved back to 0 takes the same percentage again.
    window.moveBar(50);
    QCOMPARE(child<QLabel>(&window, "LabelStatus")->text(), QStringLiteral("50%"));
}

void ProgressWindowTest::escapeDoesNotEndABatch() {
    AppState state;
    QWidget owner;
    owner.show();
    InProgress window(state);
    window.beginBatch(&owner);
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    window.close();
    QVERIFY(window.isVisible());
    // Enter does nothing while the acknowledge button is hidden.
    QTest::keyClick(&window, Qt::Key_Return);
    QVERIFY(window.isVisible());
    QVERIFY(!owner.isEnabled());
}

void ProgressWindowTest::stopButtonOnlyWhileABatchRuns() {
    AppState state;
    QWidget owner;
    owner.show();
    InProgress window(state);
    window.beginBatch(&owner);
    QVERIFY(child<QPushButton>(&window, "CmdStop")->isVisible());
    QCOMPARE(child<QPushButton>(&window, "CmdStop")->text(), QStringLiteral("停止[&S]"));
    QVERIFY(!window.stopRequested());

    QTest::mouseClick(child<QPushButton>(&window, "CmdStop"), Qt::LeftButton);
    QVERIFY(window.stopRequested());
    QVERIFY(!child<QPushButton>(&window, "CmdStop")->isEnabled());
    QCOMPARE(child<QLabel>(&window, "LabelWait")->text(), QStringLiteral("正在停止……"));
    const QRect stopPlace = child<QPushButton>(&window, "CmdStop")->geometry();

    complete(window);
    QVERIFY(child<QPushButton>(&window, "CmdStop")->isHidden());
    QVERIFY2(!child<QPushButton>(&window, "CmdOK")->geometry().intersects(stopPlace),
             "a late click on stop would acknowledge");
    window.acknowledge();

    window.beginBatch(&owner);
    QVERIFY(!window.stopRequested());
    QVERIFY(child<QPushButton>(&window, "CmdStop")->isEnabled());
    QCOMPARE(child<QLabel>(&window, "LabelWait")->text(), QStringLiteral("处理中，请稍候……"));
}

void ProgressWindowTest::inputQueuedDuringTheRunNeverAcknowledges() {
    AppState state;
    QWidget owner;
    owner.show();
    InProgress window(state);
    window.beginBatch(&owner);
    const QString note = QStringLiteral("3 个字符无法以 Big5 表示，已写为“?”");
    window.ReportProgress(100, ResultRow::about(Outcome::Note, QStringLiteral("a.txt"), QStringLiteral("注意"), note));
    // An Enter pressed while the last file was still at work, not yet delivered.
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
    complete(window);
    QCoreApplication::processEvents();
    QVERIFY(window.isVisible());
    QVERIFY(window.isFinished());
    QVERIFY(!owner.isEnabled());

    // A note row reads whole: the reason column takes the rest of the width, the tooltip the rest of the text.
    const QTreeWidget* rows = child<QTreeWidget>(&window, "LVResults");
    QCOMPARE(rows->columnWidth(0) + rows->columnWidth(1) + rows->columnWidth(2), rows->viewport()->width());
    QVERIFY(rows->columnWidth(2) > rows->columnWidth(1));
    QCOMPARE(rows->topLevelItem(0)->toolTip(2), note);
}

// Every row the window shows, the summing-up row included, as "text|status|reason" (hidden rows left out).
static QStringList visibleRows(const InProgress& window) {
    QStringList rows;
    const QTreeWidget* results = child<QTreeWidget>(&window, "LVResults");
    for (int i = 0; i < results->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = results->topLevelItem(i);
        if (!item->isHidden())
            rows.append(item->text(0) + u'|' + item->text(1) + u'|' + item->text(2));
    }
    return rows;
}

static ResultRow fileRow(Outcome outcome, const QString& path, const QString& status) {
    return ResultRow::of(outcome, path, status, QString(), path);
}

void ProgressWindowTest::theLastRowSumsUpAndAStoppedBarStays() {
    AppState state;
    QWidget owner;
    InProgress window(state);
    window.beginBatch(&owner);
    window.ReportProgress(0, ResultRow::about(Outcome::Heading, QStringLiteral("-html转换-")));
    window.ReportProgress(20, fileRow(Outcome::Done, "/w/a.txt", "完成"));
    window.ReportProgress(0, fileRow(Outcome::Note, "/w/a.txt", "注意"));
    window.ReportProgress(40, fileRow(Outcome::Unchanged, "/w/b.txt", "完成"));
    window.ReportProgress(60, fileRow(Outcome::Error, "/w/c.txt", "错误13"));
    window.ReportProgress(60, fileRow(Outcome::Refused, "/w/c.txt", "未完成"));
    complete(window);
    QCOMPARE(visibleRows(window).last(), QStringLiteral("共 3 个文件：1 个完成，1 个未改变，1 个错误||"));
    QCOMPARE(child<QProgressBar>(&window, "PrgBar1")->value(), 100);
    QCOMPARE(child<QPushButton>(&window, "CmdOK")->text(), QStringLiteral("关闭[&O]"));
    window.acknowledge();

    window.beginBatch(&owner);
    window.ReportProgress(50, fileRow(Outcome::Done, "/w/a.txt", "完成"));
    window.requestStop();
    window.ReportProgress(0, fileRow(Outcome::NotProcessed, "/w/b.txt", "未处理"));
    complete(window);
    QCOMPARE(child<QProgressBar>(&window, "PrgBar1")->value(), 50);
    QCOMPARE(child<QLabel>(&window, "LabelStatus")->text(), QStringLiteral("50% 已停止"));
    QCOMPARE(visibleRows(window).last(), QStringLiteral("已停止：1 个完成，1 个未完成||"));
    window.acknowledge();

    // Nothing of the last batch is counted in the next one.
    window.beginBatch(&owner);
    complete(window);
    QCOMPARE(visibleRows(window), QStringList{QStringLiteral("共 0 个文件：没有处理任何文件||")});
}

void ProgressWindowTest::attentionFilterHidesBlueRowsOnly() {
    AppState state;
    InProgress window(state);
    QCOMPARE(child<QCheckBox>(&window, "ChkAttention")->text(), QStringLiteral("只显示红色和黄色的行"));
    window.ReportProgress(0, fileRow(Outcome::Done, "/w/a.txt", "完成"));
    window.ReportProgress(0, fileRow(Outcome::Asked, "/w/b.txt", "用户中止"));
    child<QCheckBox>(&window, "ChkAttention")->setChecked(true);
    // Rows that come while the filter is on follow it too.
    window.ReportProgress(0, fileRow(Outcome::Unchanged, "/w/c.txt", "完成"));
    window.ReportProgress(0, fileRow(Outcome::Error, "/w/d.txt", "错误2"));
    complete(window);
    QCOMPARE(visibleRows(window), QStringList({"b.txt|用户中止|", "d.txt|错误2|",
                                               "共 4 个文件：1 个完成，1 个未改变，1 个保持原样，1 个错误||"}));
    child<QCheckBox>(&window, "ChkAttention")->setChecked(false);
    QCOMPARE(visibleRows(window).size(), 5);
}

void ProgressWindowTest::rowsNameFilesAndTheTitleNamesTheFolder() {
    AppState state;
    InProgress window(state);
    window.ReportProgress(0, fileRow(Outcome::Done, "/w/a.txt", "完成"));
    window.ReportProgress(0, fileRow(Outcome::Done, "/elsewhere/b.txt", "完成"));
    window.ReportProgress(0, ResultRow::of(Outcome::Asked, "p.htm", "用户中止", QString(), "/w/p.txt"));
    QCOMPARE(window.windowTitle(), QStringLiteral("/w/"));
    QCOMPARE(visibleRows(window), QStringList({"a.txt|完成|", "/elsewhere/b.txt|完成|", "p.htm|用户中止|"}));
    QCOMPARE(child<QTreeWidget>(&window, "LVResults")->topLevelItem(0)->toolTip(0), QStringLiteral("/w/a.txt"));
    complete(window);
    window.acknowledge();
    QCOMPARE(window.windowTitle(), QString());
}

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
