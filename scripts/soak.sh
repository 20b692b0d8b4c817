#!/usr/bin/env bash
# Runs the stateful property test (tests/reliability/PropertyTest.cpp) again and again with new seeds
# for as long as asked, and prints how many command sequences and steps passed.
#   scripts/soak.sh MINUTES [BUILD_FOLDER]
# Stops at the first failure and prints its output: the seed to run it again with and the shrunk steps
# (RC_PARAMS="replay=..." or "seed=..." repeats it). QM_PROPERTY_KNOWN_FAULTS passes through.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:?usage: scripts/soak.sh MINUTES [BUILD_FOLDER]}
build=${2:-build}
program="$build/bin/test_property"
[[ -x $program ]] || cmake --build "$build" --target test_property quillmar-cli

end=$((SECONDS + minutes * 60))
sequences=0
steps=0
rounds=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
while ((SECONDS < end)); do
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    if ! RC_PARAMS="max_success=20 seed=$seed" "$program" >"$log" 2>&1; then
        cat "$log"
        echo "soak: FAILED with seed $seed after $sequences sequences, $steps steps passed"
        exit 1
    fi
    read -r s t < <(sed -n 's/^property: \([0-9]*\) sequences, \([0-9]*\) steps passed$/\1 \2/p' "$log" | tail -n 1)
    sequences=$((sequences + s))
    steps=$((steps + t))
    rounds=$((rounds + 1))
done
echo "soak: $sequences sequences, $steps steps passed in $minutes minutes ($rounds runs)"
