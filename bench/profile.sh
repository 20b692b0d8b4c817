#!/usr/bin/env bash
# Where one QuillMar command spends its instructions: runs it under valgrind's callgrind on a small
# corpus (5 MB by default) and prints the functions with the largest inclusive and own costs.
# Uses the Release build of bench/run.sh (build-bench/); run that once first.
#
# usage: bench/profile.sh COMMAND [MB]
#   COMMAND  reflow | despace | narrow | clean | gb | replace | html2txt | merge | replace-files |
#            clean-files | textio
# Environment: QM_BENCH_DIR (default /tmp/quillmar-bench).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
work=${QM_BENCH_DIR:-/tmp/quillmar-bench}
command=${1:?usage: bench/profile.sh COMMAND [MB]}
mb=${2:-5}
qm=$root/build-bench/bin/quillmar-cli
textio=$root/build-bench/bin/textio_bench
[ -x "$qm" ] || { echo "profile.sh: build it first (bench/run.sh builds build-bench/)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "profile.sh: valgrind is missing (bench/install-peers.sh)" >&2; exit 1; }

corpus=$work/corpus-${mb}mb
if [ ! -f "$corpus/novel-gb18030.txt" ]; then
    # A tenth of the chapters and pages keeps the small corpus in proportion.
    python3 "$here/make_corpus.py" --out "$corpus" --mb "$mb" --page-mb "$(awk -v m="$mb" 'BEGIN { print m / 10 }')" \
        --chapters 200 --pages 10
fi

scratch=$work/profile
rm -rf "$scratch"
mkdir -p "$scratch/app"
qm_run=("$qm" --no-backup --quiet --yes --app-dir "$scratch/app")
case $command in
reflow | despace | narrow | clean)
    cp "$corpus/novel-gb18030.txt" "$scratch/in.txt"
    target=("${qm_run[@]}" "$command" "$scratch/in.txt") ;;
gb)
    cp "$corpus/novel-big5.txt" "$scratch/in.txt"
    target=("${qm_run[@]}" gb "$scratch/in.txt") ;;
replace)
    cp "$corpus/novel-gb18030.txt" "$scratch/in.txt"
    target=("${qm_run[@]}" replace --find '<' --with x "$scratch/in.txt") ;;
html2txt)
    cp "$corpus/page-gbk.htm" "$scratch/page.htm"
    target=("${qm_run[@]}" html2txt "$scratch/page.htm") ;;
merge)
    target=("${qm_run[@]}" merge --output "$scratch/merged.txt" "$corpus"/chapters/*.txt) ;;
clean-files)
    # The batch learns the lines its chapters share in a first pass, then cleans each file.
    cp -r "$corpus/chapters" "$scratch/chapters"
    target=("${qm_run[@]}" clean "$scratch"/chapters/*.txt) ;;
replace-files)
    cp -r "$corpus/chapters" "$scratch/chapters"
    target=("$qm" --backup --quiet --yes --app-dir "$scratch/app" replace --find '<' --with x "$scratch"/chapters/*.txt) ;;
textio)
    target=("$textio" "$corpus/novel-gb18030.txt" "$scratch/out.txt") ;;
*)
    echo "profile.sh: unknown command $command" >&2
    exit 2 ;;
esac

out=$scratch/callgrind.out
valgrind --tool=callgrind --callgrind-out-file="$out" "${target[@]}" >/dev/null 2>"$scratch/valgrind.log"
echo "== $command on the ${mb} MB corpus: inclusive cost"
callgrind_annotate --inclusive=yes "$out" 2>/dev/null | sed -n '/^Ir/,$p' | head -n 32
echo
echo "== own cost"
callgrind_annotate "$out" 2>/dev/null | sed -n '/^Ir/,$p' | head -n 24
echo
echo "Full profile: $out (callgrind_annotate, kcachegrind)"
