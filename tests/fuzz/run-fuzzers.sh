#!/usr/bin/env bash
# Runs every libFuzzer target of a build folder from its seed corpus for a fixed number of runs:
#   tests/fuzz/run-fuzzers.sh BUILD_FOLDER [RUNS] [EXTRA LIBFUZZER OPTIONS...]
# New inputs go to a scratch folder, never into the seed corpus; an input that breaks a target is
# kept in BUILD_FOLDER/fuzz-artifacts/. Prints one summary line; fails when a target fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
runs=${2:-2000}
shift $(($# >= 2 ? 2 : 1))

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

count=0
failed=()
for seeds in "$here"/corpus/*/; do
    name=$(basename "$seeds")
    program="$build/bin/fuzz_$name"
    [ -x "$program" ] || { failed+=("$name (not built)"); continue; }
    mkdir -p "$scratch/$name"
    if ! "$program" -runs="$runs" -seed=1 -max_len=4096 -artifact_prefix="$artifacts/$name-" "$@" \
        "$scratch/$name" "$seeds" >"$artifacts/$name.log" 2>&1; then
        failed+=("$name")
        tail -n 30 "$artifacts/$name.log" >&2
    fi
    count=$((count + 1))
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz targets failed: ${failed[*]} (inputs and logs in $artifacts)"
    exit 1
fi
echo "$count fuzz targets, $runs runs each: no faults"
