#!/usr/bin/env bash
# Sets up the machine, builds every deliverable and shows what landed in dist/.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh win64 win32 linux
echo "== dist/"
for d in dist/linux dist/win32 dist/win64 dist/kit; do
    [ -d "$d" ] || continue
    for f in "$d"/*; do
        printf '%-40s %s\n' "$f" "$(file -b "$f" | cut -c1-70)"
    done
done
