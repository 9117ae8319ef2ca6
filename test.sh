#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the Linux tests,
# the Windows tests under wine (64-bit and 32-bit), the Linux tests again
# under ASan and UBSan, and a short run of every fuzz target. Ends with
# ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh win64 win32 asan fuzz macos-cross linux-arm64 linux
echo "== test"
# The 32-bit Windows tests end as skipped where this kernel cannot run 32-bit
# programs; said here too, since ctest does not print why a test skipped.
case "$(/usr/lib/wine/wine --version 2>/dev/null)" in
    wine-*) ;;
    *) echo "note: this kernel cannot run 32-bit programs: the wine32.* tests are skipped" ;;
esac
ctest --test-dir build/linux --output-on-failure -j2
