// Measures the main window on large folders: how long a folder of 20,000 files takes to reach the
// file list, and whether a batch of 2,000 files keeps the progress window repainting and ends with
// every row listed. Runs on the offscreen platform; printed figures go into bench/README.md.

#include "fakes-ui/TestApplication.h"
#include "ui/common/FileListBox.h"
#include "ui/common/InProgress.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <cstdio>

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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestApplication program;
    if (!program.start())
        return 1;
    MainFrm* main = program.main();

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
                main->FileList->count());
    if (application.arguments().contains(QStringLiteral("--list-only"))) {
        timer.restart();
        main->File1->refresh();
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
    program.app().inProgress()->installEventFilter(&counter);
    program.app().inProgress()->LVResults->viewport()->installEventFilter(&counter);
    timer.restart();
    main->runBatch(BatchCommand::Reflow);
    const qint64 batch = timer.elapsed();
    std::printf("reflow 2,000 files in the window: %lld ms, %d rows listed, %d repaints of the progress window\n",
                batch, program.app().inProgress()->LVResults->topLevelItemCount(), counter.paints);
    program.app().inProgress()->acknowledge();
    program.quit();
    return 0;
}
