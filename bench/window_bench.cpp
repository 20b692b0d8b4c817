// Measures the main window on large folders: how long a folder of 20,000 files takes to reach the
// file list, and whether a batch of 2,000 files keeps the progress window repainting and ends with
// every row listed. With --big [MB] it measures one large file instead (1024 MB by default): the
// preview, a reflow with its bar and the longest wait between two turns of the event loop, a stop
// in the middle, and the peak memory. Runs on the offscreen platform; printed figures go into
// bench/README.md.

#include "fakes-ui/TestApplication.h"
#include "ui/common/FileListBox.h"
#include "ui/common/InProgress.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include "ui/main/PreviewBox.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Counts the paint events a window receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

QString chapterText(int n) {
    QString text = QStringLiteral("        第%1章\r\n\r\n").arg(n);
    for (int line = 0; line < 60; ++line)
        text += QStringLiteral("　　天色已晚，他推开门走了进去\r\n屋里没有点灯。\r\n");
    return text;
}

long peakRssMb() {
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// How the window fares while one large file is at work: the longest time between two turns of the
// event loop (a 10 ms timer), and the bar values shown.
class Watch : public QObject {
public:
    explicit Watch(QProgressBar* bar) : m_bar(bar) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 gap = m_clock.restart();
            m_longest = std::max(m_longest, gap);
            if (gap > 100)
                m_late.append(QStringLiteral("%1 ms at %2 s").arg(gap).arg(m_since.elapsed() / 1000.0, 0, 'f', 1));
            m_values.insert(m_bar->value());
        });
    }
    void start() {
        m_longest = 0;
        m_values.clear();
        m_late.clear();
        m_clock.start();
        m_since.start();
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }
    qint64 longestGapMs() const { return m_longest; }
    qsizetype barValues() const { return m_values.size(); }
    // The waits over 100 ms, with when they ended.
    QString late() const { return m_late.isEmpty() ? QStringLiteral("none") : m_late.join(QStringLiteral(", ")); }

private:
    QProgressBar* m_bar;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_since;
    QStringList m_late;
    qint64 m_longest = 0;
    QSet<int> m_values;
};

int bigFile(TestApplication& program, qint64 megabytes) {
    MainFrm* main = program.main();
    InProgress* progress = program.app().inProgress();
    const QString folder = program.folder(QStringLiteral("big"));
    const QString path = folder + QStringLiteral("big.txt");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray piece = chapterText(1).toUtf8().repeated(256);
        while (file.size() < megabytes * 1024 * 1024)
            file.write(piece);
    }
    const qint64 size = QFileInfo(path).size();
    std::printf("big file: %.0f MB, RSS before %ld MB\n", size / 1048576.0, peakRssMb());

    QElapsedTimer timer;
    timer.start();
    main->openFolder(folder);
    main->previewEntry(0);
    const PreviewBox* preview = main->findChild<PreviewBox*>(QStringLiteral("Rich1"));
    std::printf("preview: %lld ms, %lld characters shown, cut %d, peak RSS %ld MB\n", timer.elapsed(),
                qint64(preview->toPlainText().size()), preview->isCut(), peakRssMb());

    main->selectAll();
    const QTreeWidget* rows = progress->findChild<QTreeWidget*>(QStringLiteral("LVResults"));
    Watch watch(progress->findChild<QProgressBar*>(QStringLiteral("PrgBar1")));
    watch.start();
    timer.restart();
    main->runBatch(BatchCommand::Reflow);
    watch.stop();
    std::printf("reflow in the window: %lld ms, longest wait between event-loop turns %lld ms, %lld bar values, "
                "row \"%s\", peak RSS %ld MB\n",
                timer.elapsed(), watch.longestGapMs(), qint64(watch.barValues()),
                qPrintable(rows->topLevelItem(0)->text(1)), peakRssMb());
    std::printf("  waits over 100 ms: %s\n", qPrintable(watch.late()));
    progress->acknowledge();

    // A stop two seconds in: how long until the batch has ended, and the file as it was.
    const QDateTime before = QFileInfo(path).lastModified();
    const qint64 reflowed = QFileInfo(path).size();
    qint64 clicked = 0;
    QTimer::singleShot(2000, progress, [&] {
        clicked = timer.elapsed();
        progress->findChild<QPushButton*>(QStringLiteral("CmdStop"))->click();
    });
    watch.start();
    timer.restart();
    main->runBatch(BatchCommand::Reflow);
    watch.stop();
    std::printf("stop after 2 s: batch ended %lld ms after the click, longest wait %lld ms, row \"%s %s\", "
                "file unchanged %d, peak RSS %ld MB\n",
                timer.elapsed() - clicked, watch.longestGapMs(),
                qPrintable(rows->topLevelItem(0)->text(1)), qPrintable(rows->topLevelItem(0)->text(2)),
                QFileInfo(path).lastModified() == before && QFileInfo(path).size() == reflowed, peakRssMb());
    progress->acknowledge();
    program.quit();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestApplication program;
    if (!program.start())
        return 1;
    MainFrm* main = program.main();
    const QStringList arguments = application.arguments();
    if (const qsizetype big = arguments.indexOf(QStringLiteral("--big")); big >= 0) {
        // No backups: the figures are the window's, not the disk's.
        program.state().Settings.BackupOn = 0;
        return bigFile(program, big + 1 < arguments.size() ? arguments[big + 1].toLongLong() : 1024);
    }

    const QString many = program.folder(QStringLiteral("many"));
    for (int i = 0; i < 20000; ++i)
        TestApplication::writeFile(many + QStringLiteral("chapter%1.txt").arg(i, 5, 10, QLatin1Char('0')), "x\r\n");
    QElapsedTimer timer;
    timer.start();
    main->openFolder(many);
    const qint64 listed = timer.elapsed();
    timer.restart();
    main->refresh();
    const qint64 refreshed = timer.elapsed();
    std::printf("list 20,000 files into FileList: %lld ms (refresh %lld ms), %d entries\n", listed, refreshed,
                main->findChild<FileListView*>(QStringLiteral("FileList"))->count());
    if (application.arguments().contains(QStringLiteral("--list-only"))) {
        timer.restart();
        main->findChild<FileListBox*>(QStringLiteral("File1"))->refresh();
        std::printf("File1 refresh %lld ms\n", timer.elapsed());
        timer.restart();
        main->RebuildFileList();
        std::printf("RebuildFileList %lld ms\n", timer.elapsed());
        return 0;
    }

    const QString two = program.folder(QStringLiteral("batch"));
    for (int i = 0; i < 2000; ++i)
        TestApplication::writeFile(two + QStringLiteral("%1.txt").arg(i, 4, 10, QLatin1Char('0')),
                                   chapterText(i).toUtf8());
    main->openFolder(two);
    main->selectAll();
    PaintCounter counter;
    const QTreeWidget* rows = program.app().inProgress()->findChild<QTreeWidget*>(QStringLiteral("LVResults"));
    program.app().inProgress()->installEventFilter(&counter);
    rows->viewport()->installEventFilter(&counter);
    timer.restart();
    main->runBatch(BatchCommand::Reflow);
    const qint64 batch = timer.elapsed();
    std::printf("reflow 2,000 files in the window: %lld ms, %d rows listed, %d repaints of the progress window\n",
                batch, rows->topLevelItemCount(), counter.paints);
    program.app().inProgress()->acknowledge();
    program.quit();
    return 0;
}
