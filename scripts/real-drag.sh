#!/usr/bin/env bash
# A real drag and drop between two programs under a virtual X display: a small drag source (built here
# from the C++ below) offers two chapter files, xdotool drags them onto the main window, and a picture
# of the screen after the drop goes to /tmp/quillmar-drag.png. After the drop the main window shows the
# files' folder with the two files selected. Needs xdotool, x11-apps (xwd) and netpbm.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
work=$(mktemp -d)
display=:${DRAG_DISPLAY:-77}
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    rm -rf "$work"
}
pids=()
trap cleanup EXIT

cat >"$work/source.cpp" <<'CPP'
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <cstdio>
// A window that starts a drag of the files named on its command line when the mouse is pressed on it.
class Source : public QLabel {
public:
    QList<QUrl> urls;
    using QLabel::QLabel;
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        std::printf("drop accepted: %s\n", drag->exec(Qt::CopyAction) == Qt::CopyAction ? "yes" : "no");
        std::fflush(stdout);
    }
};
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Source source(QStringLiteral("drag me"));
    for (int i = 1; i < argc; ++i)
        source.urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    source.setGeometry(1300, 50, 200, 100);
    source.show();
    return app.exec();
}
CPP
g++ -std=c++20 -fPIC "$work/source.cpp" -o "$work/source" $(pkg-config --cflags --libs Qt6Widgets)

mkdir -p "$work/program" "$work/书稿" "$work/other"
cp "$build/bin/quillmar" resources/Default.cfg "$work/program/"
for n in 一 二 三; do printf '第%s章\r\n' "$n" >"$work/书稿/第${n}章.txt"; done

export DISPLAY=$display
Xvfb "$display" -screen 0 1600x1000x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
(cd "$work/other" && exec "$work/program/quillmar") >/dev/null 2>&1 &
pids+=($!)
sleep 4
"$work/source" "$work/书稿/第一章.txt" "$work/书稿/第三章.txt" >"$work/source.log" 2>/dev/null &
pids+=($!)
sleep 2
# Press on the source, move over to the main window's file list in steps, release.
xdotool mousemove 1400 100 sleep 0.3 mousedown 1 sleep 0.3
for x in 1350 1200 1000 800 600 400 300; do xdotool mousemove "$x" 300 sleep 0.15; done
xdotool mouseup 1
sleep 1.5
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >/tmp/quillmar-drag.png
cat "$work/source.log"
echo "screen after the drop: /tmp/quillmar-drag.png"
