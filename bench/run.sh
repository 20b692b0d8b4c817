#!/usr/bin/env bash
# Speed and memory of QuillMar next to the usual command-line tools, measured in one run on one corpus.
# Builds quillmar-cli and textio_bench (Release) in build-bench/, makes the corpus in
# /tmp/quillmar-bench/corpus (kept between runs; nothing of it goes into the repository), and prints a
# table: wall seconds (best of N runs), MB/s (input bytes / 10^6 / seconds), peak RSS of the largest
# process (/usr/bin/time %M), how many times faster QuillMar is than each peer, and the target.
#
# Every QuillMar command runs as a whole (start-up, backup when asked, atomic replace, the batch's one
# sync at its end); files it rewrites in place are copied fresh before each run, outside the measured time.
#
# usage: bench/run.sh [--runs N] [--mb N] [--only LIST] [--no-build] [--fresh-corpus]
#   --runs N        runs per measurement, the best one counts (default 3; at least 10 for a command
#                   that takes under a second)
#   --mb N          size of the novel in MB (default 100; the web page is a tenth of it, at least 1)
#   --only LIST     comma-separated groups: textio,reflow,despace,narrow,typeset,clean,books,codepage,html,
#                   merge,replace,files
#                   (merge and files run on the disk of QM_BENCH_DIR and again on tmpfs, /dev/shm)
#   --no-build      use build-bench/ as it is
#   (quillmar-cli runs with its default --jobs, one worker a core; one row shows --jobs 1 beside it)
#   --fresh-corpus  make the corpus again even if one of the same size is there
# Environment: QM_BENCH_DIR (default /tmp/quillmar-bench), JOBS (build jobs, default 1), QM_EPUB_PEER_MB
# (size of the book calibre's ebook-convert gets, default 2: it needs minutes a megabyte).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
work=${QM_BENCH_DIR:-/tmp/quillmar-bench}
build=$root/build-bench
runs=3
mb=100
only=all
do_build=1
fresh=0
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --fresh-corpus) fresh=1; shift ;;
    -h | --help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done

wanted() { [ "$only" = all ] || [[ ",$only," == *",$1,"* ]]; }

"$here/install-peers.sh"

if [ $do_build = 1 ]; then
    echo "== Build (Release) in $build"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_UI=OFF -DQM_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" --target quillmar-cli textio_bench convert_bench -j "${JOBS:-1}"
fi
qm=$build/bin/quillmar-cli
textio=$build/bin/textio_bench

corpus=$work/corpus
page_mb=$(awk -v m="$mb" 'BEGIN { p = m / 10; print (p < 1 ? 1 : p) }')
params="mb=$mb page_mb=$page_mb chapters=2000 seed=2024 maker=$(md5sum "$here/make_corpus.py" | cut -c1-12)"
if [ $fresh = 1 ] || [ "$(cat "$corpus/.params" 2>/dev/null)" != "$params" ]; then
    echo "== Corpus in $corpus ($params)"
    rm -rf "$corpus"
    python3 "$here/make_corpus.py" --out "$corpus" --mb "$mb" --page-mb "$page_mb"
    echo "$params" >"$corpus/.params"
fi

run=$work/run
app=$work/app
results=$work/results.tsv
: >"$results"
export LC_ALL=C.UTF-8
qm_run="'$qm' --no-backup --quiet --yes --app-dir '$app'"

size_of() { du -cb "$@" | tail -n 1 | cut -f1; }

# measure GROUP LABEL BYTES FILES TARGET PREPARE COMMAND [CHECK]
# Runs PREPARE (not timed), then COMMAND under /usr/bin/time, $runs times, and records the best wall
# time with the CPU time (user + system, of every process) and the peak RSS of that run. The first row
# of a group is QuillMar's; TARGET is "" or, for a peer, the speed ratio QuillMar must reach against it
# ("3" = three times as fast), for QuillMar "rss<KB".
# CHECK, when given, is a command whose success means the output equals QuillMar's.
measure() {
    local group=$1 label=$2 bytes=$3 files=$4 target=$5 prepare=$6 command=$7 check=${8:-}
    local best="" best_rss="" best_cpu="" status=0 note=""
    # A caller may ask for fewer runs of a slow peer: one_run=1 measure ...
    local count=${one_run:+1}
    count=${count:-$runs}
    for ((i = 0; i < count; i++)); do
        bash -c "$prepare"
        sync
        local t0=$EPOCHREALTIME
        status=0
        /usr/bin/time -f '%M %U %S' -o "$work/rss" bash -c "$command" >"$work/stdout" 2>"$work/stderr" || status=$?
        local t1=$EPOCHREALTIME
        local seconds rss cpu
        seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
        read -r rss cpu < <(tail -n 1 "$work/rss" | awk '{ printf "%s %.2f\n", $1, $2 + $3 }')
        # Short commands are at the mercy of whatever else runs: they get at least ten tries.
        if [ $i = 0 ] && [ -z "${one_run:-}" ] && [ "$count" -lt 10 ] && awk -v s="$seconds" 'BEGIN { exit !(s < 1) }'; then
            count=10
        fi
        if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
            best=$seconds
            best_rss=$rss
            best_cpu=$cpu
        fi
    done
    if [ $status != 0 ]; then
        note="exit $status"
        echo "   ($label exited with $status: $(head -c 200 "$work/stderr" | tr '\n' ' '))" >&2
    fi
    if [ -n "$check" ]; then
        if bash -c "$check" >/dev/null 2>&1; then note="${note:+$note, }same output"; else note="${note:+$note, }output differs"; fi
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$group" "$label" "$best" "$best_rss" "$bytes" "$files" "$target" "$note" \
        "$best_cpu" >>"$results"
    printf '   %-20s %-44s %8.3f s %6.2f s CPU %8s KB  %s\n' "$group" "$label" "$best" "$best_cpu" "$best_rss" "$note"
}

rm -rf "$run" "$app"
mkdir -p "$run" "$app"
gb=$corpus/novel-gb18030.txt
u8=$corpus/novel-utf8.txt
b5=$corpus/novel-big5.txt
gb_bytes=$(size_of "$gb")
u8_bytes=$(size_of "$u8")
b5_bytes=$(size_of "$b5")
in=$run/in.txt
out=$run/out.txt
fresh_copy() { echo "rm -f '$out' '$app/tempfile.tmp'; cp '$1' '$in'"; }
no_copy="rm -f '$out' '$app/tempfile.tmp'"
# QuillMar rewrites its input in place, and the peers after it in a group leave that file alone: their
# output is compared with it.
same_as_qm="cmp -s '$out' '$in'"

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
echo "== Measuring, best of $runs runs (load average now: $load_start)"

if wanted textio; then
    measure "textio GB18030" "textio_bench (TextReader + TextWriter)" "$gb_bytes" 1 "rss<65536" "$no_copy" \
        "'$textio' '$gb' '$out'"
    measure "textio GB18030" "cat" "$gb_bytes" 1 "" "$no_copy" "cat '$gb' > '$out'"
    measure "textio GB18030" "iconv -f GB18030 -t UTF-8" "$gb_bytes" 1 "" "$no_copy" \
        "iconv -f GB18030 -t UTF-8 '$gb' > '$out'"
    measure "textio UTF-8" "textio_bench (TextReader + TextWriter)" "$u8_bytes" 1 "rss<65536" "$no_copy" \
        "'$textio' '$u8' '$out'"
    measure "textio UTF-8" "cat" "$u8_bytes" 1 "" "$no_copy" "cat '$u8' > '$out'"
fi

if wanted reflow; then
    measure "reflow GB18030" "quillmar-cli reflow" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run reflow '$in'"
    measure "reflow GB18030" "iconv | gawk -f reflow.awk | iconv" "$gb_bytes" 1 3 "$no_copy" \
        "iconv -f GB18030 -t UTF-8 '$gb' | gawk -f '$here/reflow.awk' | iconv -f UTF-8 -t GB18030 > '$out'" "$same_as_qm"
    measure "reflow UTF-8" "quillmar-cli reflow" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run reflow '$in'"
    measure "reflow UTF-8" "gawk -f reflow.awk" "$u8_bytes" 1 1 "$no_copy" \
        "gawk -f '$here/reflow.awk' '$u8' > '$out'" "$same_as_qm"
fi

despace_perl="perl -CSD -pe 's/(?<=[^\\sA-Za-z])[ \\x{3000}](?=[^\\sA-Za-z])//g'"
if wanted despace; then
    measure "despace GB18030" "quillmar-cli despace" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run despace '$in'"
    measure "despace GB18030" "iconv | perl -pe s/// | iconv" "$gb_bytes" 1 2 "$no_copy" \
        "iconv -f GB18030 -t UTF-8 '$gb' | $despace_perl | iconv -f UTF-8 -t GB18030 > '$out'"
    measure "despace UTF-8" "quillmar-cli despace" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run despace '$in'"
    measure "despace UTF-8" "perl -CSD -pe s///" "$u8_bytes" 1 1 "$no_copy" "$despace_perl '$u8' > '$out'"
fi

if wanted narrow; then
    measure "narrow GB18030" "quillmar-cli narrow" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run narrow '$in'"
    measure "narrow GB18030" "uconv -x Fullwidth-Halfwidth" "$gb_bytes" 1 2 "$no_copy" \
        "uconv -f gb18030 -t gb18030 -x '[\\u3000\\uFF01-\\uFF5E] Fullwidth-Halfwidth' '$gb' > '$out'" "$same_as_qm"
    measure "narrow UTF-8" "quillmar-cli narrow" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run narrow '$in'"
    measure "narrow UTF-8" "perl -CSD -pe tr///" "$u8_bytes" 1 "" "$no_copy" \
        "perl -CSD -pe 'tr/\\x{FF01}-\\x{FF5E}\\x{3000}/\\x{21}-\\x{7E} /' '$u8' > '$out'" "$same_as_qm"
fi

# Typesetting a single file (goal: 100 MB/s and more); the Perl line converts only the sentence
# marks between Han characters, a part of the work, for scale.
if wanted typeset; then
    measure "typeset GB18030" "quillmar-cli typeset" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run typeset '$in'"
    measure "typeset UTF-8" "quillmar-cli typeset" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run typeset '$in'"
    measure "typeset UTF-8" "perl -CSD -pe s/(Han),(Han)/" "$u8_bytes" 1 "" "$no_copy" \
        "perl -CSD -pe 's/(?<=\\p{Han})([,;:!?])(?=\\p{Han})/chr(ord(\$1) + 0xFEE0)/ge' '$u8' > '$out'"
fi

# Cleaning a single file: only the rule file's patterns apply (learning needs a batch of five files or
# more). Goal: 100 MB/s.
if wanted clean; then
    measure "clean GB18030" "quillmar-cli clean" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run clean '$in'"
    measure "clean UTF-8" "quillmar-cli clean" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run clean '$in'"
fi

# Books: finding the chapters of the whole novel (goal 100 MB/s, RSS under 64 MB) and building its EPUB
# (RSS under 64 MB whatever the size). calibre's ebook-convert needs minutes a megabyte, so the side by
# side runs on the novel's first QM_EPUB_PEER_MB megabytes, once for calibre (goal: 20 times as fast).
if wanted books; then
    measure "chapters GB18030" "quillmar-cli chapters" "$gb_bytes" 1 "rss<65536" "$no_copy" \
        "$qm_run chapters '$gb' > '$out'"
    measure "chapters UTF-8" "quillmar-cli chapters" "$u8_bytes" 1 "rss<65536" "$no_copy" \
        "$qm_run chapters '$u8' > '$out'"
    measure "epub UTF-8" "quillmar-cli epub" "$u8_bytes" 1 "rss<65536" "rm -f '$run/novel.epub'" \
        "$qm_run epub '$u8' --output '$run/novel.epub'"
    if command -v ebook-convert >/dev/null; then
        peer_mb=${QM_EPUB_PEER_MB:-2}
        book=$run/book.txt
        # Whole lines only, so that the cut ends on a character.
        head -c $((peer_mb * 1000000)) "$u8" | sed '$d' >"$book"
        book_bytes=$(size_of "$book")
        measure "epub ${peer_mb} MB UTF-8" "quillmar-cli epub" "$book_bytes" 1 "rss<65536" "rm -f '$run/book.epub'" \
            "$qm_run epub '$book' --output '$run/book.epub'"
        one_run=1 measure "epub ${peer_mb} MB UTF-8" "ebook-convert (calibre)" "$book_bytes" 1 20 "rm -f '$run/calibre.epub'" \
            "QT_QPA_PLATFORM=offscreen ebook-convert '$book' '$run/calibre.epub'"
    fi
fi

if wanted codepage; then
    # The tables the program converts with; the peers use the same OpenCC configurations.
    t2s=${QM_T2S_CONFIG:-t2s.json}
    s2t=${QM_S2T_CONFIG:-s2tw.json}
    # Characters Big5 cannot hold are written as "?" where the program can be told so.
    unmappable=""
    "$qm" --help 2>/dev/null | grep -q -- --unmappable && unmappable="--unmappable question-mark"
    measure "gb Big5" "quillmar-cli gb" "$b5_bytes" 1 "rss<65536" "$(fresh_copy "$b5")" \
        "$qm_run gb '$in'"
    measure "gb Big5" "iconv | opencc -c $t2s | iconv" "$b5_bytes" 1 10 "$no_copy" \
        "iconv -f BIG5 -t UTF-8 '$b5' | opencc -c $t2s | iconv -f UTF-8 -t GB18030 > '$out'" "$same_as_qm"
    measure "big5 GB18030" "quillmar-cli big5" "$gb_bytes" 1 "rss<65536" "$(fresh_copy "$gb")" \
        "$qm_run $unmappable big5 '$in'"
    measure "big5 GB18030" "iconv | opencc -c $s2t | iconv -c" "$gb_bytes" 1 10 "$no_copy" \
        "iconv -f GB18030 -t UTF-8 '$gb' | opencc -c $s2t | iconv -c -f UTF-8 -t BIG5 > '$out'"
    measure "big5 UTF-8" "quillmar-cli big5" "$u8_bytes" 1 "rss<65536" "$(fresh_copy "$u8")" \
        "$qm_run big5 '$in'"
    measure "big5 UTF-8" "opencc -c $s2t" "$u8_bytes" 1 10 "$no_copy" \
        "opencc -c $s2t -i '$u8' -o '$out'" "$same_as_qm"
    # Load times and the matcher alone, on the first 10 MB of the UTF-8 novel (CPU time).
    head -c 10000000 "$u8" | iconv -c -f UTF-8 -t UTF-8 >"$run/sample.txt"
    "$build/bin/convert_bench" "$run/sample.txt" "$s2t" "$t2s" s2t.json tw2s.json | tee "$work/convert.txt"
fi

if wanted html; then
    for page in page-gbk page-utf8; do
        src=$corpus/$page.htm
        bytes=$(size_of "$src")
        utf8flag=""
        [ $page = page-utf8 ] && utf8flag=-utf8
        measure "html2txt $page" "quillmar-cli html2txt" "$bytes" 1 "" "rm -f '$run/$page.txt'; cp '$src' '$run/$page.htm'" \
            "$qm_run html2txt '$run/$page.htm'"
        measure "html2txt $page" "perl strip_html.pl" "$bytes" 1 1 "$no_copy" "perl '$here/strip_html.pl' '$src' > '$out'"
        measure "html2txt $page" "html2text" "$bytes" 1 "" "$no_copy" "html2text -nobs $utf8flag -o '$out' '$src'"
        measure "html2txt $page" "w3m -dump" "$bytes" 1 "" "$no_copy" "w3m -dump -T text/html '$src' > '$out'"
    done
    # A folder of small pages, half of them declaring gbk: the cost per page.
    pages=$corpus/pages
    pages_bytes=$(size_of "$pages"/*.htm)
    pages_count=$(find "$pages" -name '*.htm' | wc -l)
    copy_pages="rm -rf '$run/pages'; cp -r '$pages' '$run/pages'"
    measure "html2txt $pages_count pages" "quillmar-cli html2txt" "$pages_bytes" "$pages_count" "" "$copy_pages" \
        "$qm_run html2txt '$run/pages'/*.htm"
    measure "html2txt $pages_count pages" "perl strip_html.pl, one per page" "$pages_bytes" "$pages_count" "" "$copy_pages" \
        "for f in '$run/pages'/*.htm; do perl '$here/strip_html.pl' \"\$f\" > \"\${f%.htm}.txt\"; done"
    rm -rf "$run/pages"
fi

if wanted replace; then
    measure "replace GB18030" "quillmar-cli replace --find '<' --with x" "$gb_bytes" 1 "" "$(fresh_copy "$gb")" \
        "$qm_run replace --find '<' --with x '$in'"
    measure "replace GB18030" "LC_ALL=C sed s/</x/g" "$gb_bytes" 1 "" "$no_copy" \
        "LC_ALL=C sed 's/</x/g' '$gb' > '$out'" "$same_as_qm"
    measure "replace GB18030" "iconv | sed s/</x/gI | iconv" "$gb_bytes" 1 "" "$no_copy" \
        "iconv -f GB18030 -t UTF-8 '$gb' | sed 's/</x/gI' | iconv -f UTF-8 -t GB18030 > '$out'" "$same_as_qm"
    # Goals: at most 0.8 of the time of C-locale sed, and no slower than sed's caseless search.
    measure "replace UTF-8" "quillmar-cli replace --find '<' --with x" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run replace --find '<' --with x '$in'"
    measure "replace UTF-8" "LC_ALL=C sed s/</x/g" "$u8_bytes" 1 1.25 "$no_copy" \
        "LC_ALL=C sed 's/</x/g' '$u8' > '$out'" "$same_as_qm"
    measure "replace caseless UTF-8" "quillmar-cli replace --find debian --with x" "$u8_bytes" 1 "" "$(fresh_copy "$u8")" \
        "$qm_run replace --find debian --with x '$in'"
    measure "replace caseless UTF-8" "LC_ALL=C sed s/debian/x/gI" "$u8_bytes" 1 1 "$no_copy" \
        "LC_ALL=C sed 's/debian/x/gI' '$u8' > '$out'" "$same_as_qm"
fi

chapters=$corpus/chapters
chapter_bytes=$(size_of "$chapters"/*.txt)
chapter_count=$(find "$chapters" -name '*.txt' | wc -l)
# The many-file runs go twice: on the disk of $work, where every file's fsync, creation and deletion
# cost what that file system makes them cost, and on tmpfs (/dev/shm), where they cost next to nothing
# and the program's own work per file shows.
many_file_places=("$work")
[ -d /dev/shm ] && [ -w /dev/shm ] && many_file_places+=("/dev/shm/quillmar-bench")
for place in "${many_file_places[@]}"; do
    where=disk
    [[ $place == /dev/shm/* ]] && where=tmpfs
    mkdir -p "$place/files" "$place/app"
    copy_chapters="rm -rf '$place/files/chapters' '$place/app/backup' '$place/app/tempfile.tmp'; cp -r '$chapters' '$place/files/chapters'"
    list="'$place/files/chapters'/*.txt"
    merged="'$place/files/merged.txt'"
    if wanted merge; then
        measure "merge 2000 $where" "quillmar-cli merge" "$chapter_bytes" "$chapter_count" "" "$copy_chapters; rm -f $merged" \
            "'$qm' --no-backup --quiet --yes --app-dir '$place/app' merge --output $merged $list"
        measure "merge 2000 $where" "cat" "$chapter_bytes" "$chapter_count" 0.5 "$copy_chapters; rm -f $merged" \
            "cat $list > $merged"
    fi
    if wanted files; then
        # Goals: no slower than one sed -i process with backups off, at most 1.5 times its time with them on.
        measure "replace 2000 $where" "quillmar-cli --no-backup replace" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "'$qm' --no-backup --quiet --yes --app-dir '$place/app' replace --find '<' --with x $list"
        measure "replace 2000 $where" "quillmar-cli --jobs 1 --no-backup replace" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "'$qm' --jobs 1 --no-backup --quiet --yes --app-dir '$place/app' replace --find '<' --with x $list"
        measure "replace 2000 $where" "sed -i s/</x/g" "$chapter_bytes" "$chapter_count" 1 "$copy_chapters" \
            "LC_ALL=C sed -i 's/</x/g' $list"
        measure "replace+backup 2000 $where" "quillmar-cli --backup replace" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "'$qm' --backup --quiet --yes --app-dir '$place/app' replace --find '<' --with x $list"
        measure "replace+backup 2000 $where" "sed -i s/</x/g" "$chapter_bytes" "$chapter_count" 0.667 "$copy_chapters" \
            "LC_ALL=C sed -i 's/</x/g' $list"
        measure "reflow 2000 $where" "quillmar-cli --backup reflow" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "'$qm' --backup --quiet --yes --app-dir '$place/app' reflow $list"
        measure "reflow 2000 $where" "sed -i s/</x/g" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "LC_ALL=C sed -i 's/</x/g' $list"
        # Goal: the clean (a first pass that learns over every chapter, then the rewrite) within twice the
        # time of one sed -i process.
        measure "clean 2000 $where" "quillmar-cli --no-backup clean" "$chapter_bytes" "$chapter_count" "" "$copy_chapters" \
            "'$qm' --no-backup --quiet --yes --app-dir '$place/app' clean $list"
        measure "clean 2000 $where" "sed -i s/</x/g" "$chapter_bytes" "$chapter_count" 0.5 "$copy_chapters" \
            "LC_ALL=C sed -i 's/</x/g' $list"
    fi
    rm -rf "$place/files" "$place/app"
done
[ -d /dev/shm/quillmar-bench ] && rm -rf /dev/shm/quillmar-bench


cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
{
    echo
    echo "QuillMar $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?') on $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "CPU: $cpu, $(nproc) cores; load average at the start: $load_start, at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "Best of $runs runs (of 10 under a second). MB/s = input bytes / 10^6 / wall seconds. RSS = peak resident memory of the"
    echo "largest process. CPU s = user + system time of all its processes (more than seconds when a pipeline"
    echo "keeps both cores busy; well under seconds when it waits for the disk or for other processes)."
    echo "\"QM x\" = how many times faster QuillMar is than that row (its seconds / QuillMar's)."
    echo
    awk -F'\t' '
        function target_text(t) { return t == "" ? "" : (t ~ /^rss</ ? "RSS < " substr(t, 5) / 1024 " MB" : ">= " t "x") }
        BEGIN {
            printf "%-20s %-42s %8s %7s %8s %8s %7s %8s  %s\n", "task", "program", "seconds", "CPU s", "MB/s", "RSS MB", "QM x", "us/file", "target / note"
        }
        {
            group = $1; label = $2; s = $3 + 0; rss = $4 / 1024; bytes = $5; files = $6; target = $7; note = $8
            if (group != last) { last = group; qm = s; first = 1; print "" } else first = 0
            mbs = s > 0 ? bytes / 1e6 / s : 0
            ratio = first ? "" : sprintf("%.2f", s / qm)
            perfile = files > 1 ? sprintf("%.0f", s * 1e6 / files) : ""
            verdict = ""
            if (target ~ /^rss</) verdict = (rss * 1024 < substr(target, 5) + 0) ? "met" : "MISSED"
            else if (target != "") verdict = (s / qm >= target + 0) ? "met" : "MISSED"
            text = target_text(target) (verdict != "" ? ": " verdict : "")
            if (note != "") text = text (text != "" ? "; " : "") note
            printf "%-20s %-42s %8.3f %7.2f %8.1f %8.1f %7s %8s  %s\n", first ? group : "", label, s, $9, mbs, rss, ratio, perfile, text
        }' "$results"
} | tee "$work/results.txt"
echo
echo "Table saved in $work/results.txt (raw figures in $results)."
