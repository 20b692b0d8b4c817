#!/usr/bin/env bash
# Sources are listed by name in the CMakeLists.txt files, so a .cpp file left out of the lists would
# silently not be built (and its tests not run): every .cpp of the tree must be named in one of them.
set -euo pipefail
cd "$(dirname "$0")/.."

lists=$(git ls-files --cached --others --exclude-standard -- 'CMakeLists.txt' '*/CMakeLists.txt' | grep -vE '^build')
missing=0
while IFS= read -r file; do
    stem=${file##*/}
    stem=${stem%.cpp}
    if ! grep -qwF -- "$stem" $lists; then
        echo "not listed in any CMakeLists.txt: $file" >&2
        missing=1
    fi
done < <(git ls-files --cached --others --exclude-standard -- '*.cpp' | grep -vE '^(build[^/]*|tests/data|tests/fuzz/corpus)/')
exit "$missing"
