#!/usr/bin/env bash
# Runs the program under a virtual display on a folder of Chinese sample files and saves pictures of
# its windows (splash, main window with a selection and a preview, progress window during and after
# a batch, the task windows, every options page, the cleanup rules' editor, the e-book dialog, the
# book check, the undo question, about box, folder picker) into /tmp/quillmar-shots/ (SCALE=2: at 2x;
# SCREEN=1600x1000: the virtual screen's size in pixels, by default 1600x1000 times SCALE).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
if [ ! -x "$build/bin/quillmar" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target quillmar -j2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program of its own, so that its settings and backups stay in the temporary folder.
mkdir -p "$work/program" "$work/书稿"
cp "$build/bin/quillmar" "$work/program/"
cp resources/Default.cfg "$work/program/"

books="$work/书稿"
printf '        第一章  山雨欲来\r\n\r\n　　天色已晚，他推开\r\n门走了进去。屋里没有点灯，\r\n只有窗外的一点月光。\r\n\r\n　　“你来了。”她说。\r\n' >"$books/第一章.txt"
printf '        第二章  夜 路\r\n\r\n　　雨 下 得 更 大 了 ，他沿着\r\n河边的小路一直走到天亮。\r\n' >"$books/第二章.txt"
printf '　　这是用 GB18030 保存的一段文字，预览时照样显示为中文。\r\n' | iconv -f UTF-8 -t GB18030 >"$books/第三章（GB）.txt"
printf '<html><head><meta charset="utf-8"><title>目录</title></head><body><p>第一章 山雨欲来</p></body></html>\r\n' >"$books/index.htm"
printf '序言\r\n' >"$books/序言.txt"
# A book with volumes and chapters for the e-book dialog and the book check (one number out of order).
printf '《山居》\r\n作者：佚名\r\n上卷\r\n第一回 山雨\r\n正文一。\r\n第二回 夜路\r\n正文二。\r\n第九回 错号\r\n正文九。\r\n下卷\r\n第三回 天明\r\n正文三。\r\n' >"$books/书.txt"
# A large chapter, so that the progress window is drawn while a file is at work.
for i in $(seq 1 200000); do printf '　　这一段文字很长，还没有结束，\r\n接着写下去。\r\n'; done >"$books/第四章（长）.txt"

out=${OUT:-/tmp/quillmar-shots}
rm -rf "$out"
mkdir -p "$out"
cd "$books"
# SCALE=2 draws every window at 2x (QT_SCALE_FACTOR) on a screen twice as large.
scale=${SCALE:-1}
screen=${SCREEN:-$((1600 * scale))x$((1000 * scale))}
QT_SCALE_FACTOR=$scale QUILLMAR_SCREENSHOTS="$out" \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$work/program/quillmar"
ls -1 "$out"
# The same windows in the Traditional Chinese face (Taiwan), on a fresh copy of the settings.
mkdir -p "$out/zh_TW"
rm -f "$work/program/"*.cfg "$work/program/"*.dat "$work/program/tempfile.tmp"
cp "$OLDPWD/resources/Default.cfg" "$work/program/"
LANG=zh_TW.UTF-8 LC_ALL= LANGUAGE= QT_SCALE_FACTOR=$scale QUILLMAR_SCREENSHOTS="$out/zh_TW" \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$work/program/quillmar"
ls -1 "$out/zh_TW"

# The quick-processing wizard, with the normal and with the advanced options shown: its window test
# draws it on sample files of its own (wizard.png, wizard-advanced.png).
cd "$OLDPWD"
if [ ! -x "$build/bin/test_ui_FastWorkTest" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target test_ui_FastWorkTest -j2
fi
QT_SCALE_FACTOR=$scale QM_SCREENSHOTS="$out" QT_QPA_PLATFORM=offscreen "$build/bin/test_ui_FastWorkTest" screenshots >/dev/null
ls -1 "$out"/wizard*.png
