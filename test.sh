#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test; builds the
# Debian package and checks it with lintian, desktop-file-validate and appstreamcli; then
# builds the layers below the windows again with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs their tests there too; then builds the fuzz targets with clang and runs each briefly.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/check-sources.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
# A compiler cache, where the machine has one, makes the three builds below quick to repeat.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "== Build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" | tee build/ctest.log
summary=$(grep -E 'tests passed|tests failed' build/ctest.log | tail -n 1)

echo "== Package, desktop entry, AppStream metainfo (lintian errors fail the run)"
packaging/build-deb.sh build
desktop-file-validate packaging/quillmar.desktop
appstreamcli validate --no-net --pedantic build/packaging/org.example.quillmar.metainfo.xml
package_summary="$(ls build/quillmar_*.deb): lintian, desktop-file-validate and appstreamcli passed"

echo "== Sanitizers (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_WERROR=ON -DQM_SANITIZE=ON -DQM_BUILD_UI=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE "big|property|epubcheck" | tee build-asan/ctest.log
asan_summary=$(grep -E 'tests passed|tests failed' build-asan/ctest.log | tail -n 1)

echo "== Fuzzing (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, a short run per target)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQM_BUILD_UI=OFF \
    -DQM_BUILD_FUZZERS=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzzers
tests/fuzz/run-fuzzers.sh build-fuzz 2000 | tee build-fuzz/fuzz.log
fuzz_summary=$(tail -n 1 build-fuzz/fuzz.log)

echo
echo "package: $package_summary"
echo "fuzzing: $fuzz_summary"
echo "sanitizers: $asan_summary"
echo "$summary"
