#!/usr/bin/env bash
# Builds the Debian package quillmar_<version>_<arch>.deb and checks it with lintian.
#   packaging/build-deb.sh            a release build of its own in build-deb/, with Debian's
#                                     hardening flags and without the tests
#   packaging/build-deb.sh DIR        packages the build folder DIR as it is (./test.sh does this)
# The package lands in the build folder; lintian errors fail the script, its warnings are listed.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-deb}
jobs=$(nproc 2>/dev/null || echo 2)
if [ $# -eq 0 ]; then
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr \
        "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
        "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
fi
cmake --build "$build" -j "$jobs"
rm -f "$build"/quillmar_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/quillmar_*.deb)
echo "$deb"

if command -v lintian >/dev/null; then
    # Run as root here, which lintian only remarks on.
    status=0
    lintian --fail-on error "$deb" >"$build/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$build/lintian.log" || true
    [ "$status" -eq 0 ] || { echo "lintian found errors in $deb" >&2; exit 1; }
fi
