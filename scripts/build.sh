#!/usr/bin/env bash
# Configures and builds the given presets (default: every deliverable).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32 macos-cross linux-arm64 linux)
for p in "${presets[@]}"; do
    echo "== build: $p"
    cmake --preset "$p" >/dev/null
    cmake --build --preset "$p"
done
