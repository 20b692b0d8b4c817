#!/usr/bin/env bash
# Runs the program under a virtual display on a folder of Chinese sample files and saves pictures of
# its windows (splash, main window as it first opens and with a selection and a preview, progress
# window during and after a batch, the task windows, every options page, the cleanup rules' editor,
# the e-book dialog, the book check, the undo question, about box, folder picker, the wizard with its
# normal and its advanced options) into /tmp/quillmar-shots/FACE/.
#   SCALE=2         draws every window at 2x (QT_SCALE_FACTOR);
#   SCREEN=1024x700 the virtual screen's size in pixels, by default 1600x1000 times SCALE;
#   FACE=zh_CN|zh_TW the face to draw (both by default): Simplified, or Traditional (Taiwan);
#   OUT=folder      where the pictures go.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=${BUILD_DIR:-build}
if [ ! -x "$build/bin/quillmar" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target quillmar -j2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program of its own, so that its settings and backups stay in the temporary folder.
mkdir -p "$work/program"
cp "$build/bin/quillmar" "$work/program/"

books="$work/书稿"
# The sample files, written anew for each face (a batch of the tour changes them).
write_samples() {
    rm -rf "$books"
    mkdir -p "$books"
    printf '        第一章  山雨欲来\r\n\r\n　　天色已晚，他推开\r\n门走了进去。屋里没有点灯，\r\n只有窗外的一点月光。\r\n\r\n　　“你来了。”她说。\r\n' >"$books/第一章.txt"
    printf '        第二章  夜 路\r\n\r\n　　雨 下 得 更 大 了 ，他沿着\r\n河边的小路一直走到天亮。\r\n' >"$books/第二章.txt"
    printf '　　这是用 GB18030 保存的一段文字，预览时照样显示为中文。\r\n' | iconv -f UTF-8 -t GB18030 >"$books/第三章（GB）.txt"
    printf '<html><head><meta charset="utf-8"><title>目录</title></head><body><p>第一章 山雨欲来</p></body></html>\r\n' >"$books/index.htm"
    printf '序言\r\n' >"$books/序言.txt"
    # A book with volumes and chapters for the e-book dialog and the book check (one number out of order).
    printf '《山居》\r\n作者：佚名\r\n上卷\r\n第一回 山雨\r\n正文一。\r\n第二回 夜路\r\n正文二。\r\n第九回 错号\r\n正文九。\r\n下卷\r\n第三回 天明\r\n正文三。\r\n' >"$books/书.txt"
    # A large chapter, so that the progress window is drawn while a file is at work; its first
    # paragraphs are long lines, which the previews wrap.
    {
        for i in 1 2 3; do
            for j in $(seq 1 12); do printf '这一段文字一直写到行尾也没有换行，'; done
            printf '\r\n'
        done
        for i in $(seq 1 200000); do printf '　　这一段文字很长，还没有结束，\r\n接着写下去。\r\n'; done
    } >"$books/第四章（长）.txt"
}

out=${OUT:-/tmp/quillmar-shots}
rm -rf "$out"
mkdir -p "$out"
scale=${SCALE:-1}
screen=${SCREEN:-$((1600 * scale))x$((1000 * scale))}
case ${FACE:-both} in
    both) faces="zh_CN zh_TW" ;;
    zh_CN | zh_TW) faces=$FACE ;;
    *) echo "FACE must be zh_CN or zh_TW" >&2; exit 2 ;;
esac

# The program picks its face from the locale's interface languages (LANGUAGE, LC_ALL, LC_MESSAGES,
# LANG): each face runs with LANG alone set, on a fresh copy of the settings.
for face in $faces; do
    rm -rf "$work/program/"*.cfg "$work/program/"*.dat "$work/program/"*.ini "$work/program/tempfile.tmp" \
        "$work/program/backup"
    cp "$root/resources/Default.cfg" "$work/program/"
    write_samples
    cd "$books"
    mkdir -p "$out/$face"
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$face.UTF-8" QT_SCALE_FACTOR="$scale" \
        QUILLMAR_SCREENSHOTS="$out/$face" xvfb-run -a -s "-screen 0 ${screen}x24" "$work/program/quillmar"
    echo "$face ($screen, scale $scale):"
    ls -1 "$out/$face"
done
