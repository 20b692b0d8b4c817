#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

cli=build/bin/quillmar-cli
gui=build/bin/quillmar
if [ -x "$gui" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$gui" "$@"
fi
if [ -x "$gui" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): the window cannot open here."
    echo "Start it under a display, e.g.:  xvfb-run -a $gui"
else
    echo "The windows are not built yet."
fi
echo
echo "The command-line tool works without a display:"
echo "  $cli --help"
echo "  $cli reflow ~/books/*.txt"
echo "  $cli wizard ~/books/chapters/ --html --merge book --para"
