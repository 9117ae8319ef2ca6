#!/usr/bin/env bash
# The size of every program in dist/ against the same program before the
# programs were stripped in the build (the unstripped programs of commit
# ae13c93, stripped by hand) and against a peer: WinRun4J's launcher, 57 KB
# (x86) and 157 KB (x64). Also the size of each program's debug information
# kept aside in the build tree. Run by hand after the builds:
#   bench/sizes.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Stripped sizes before, in bytes (x86 Windows programs were not measured then:
# the issue's range, 210-600 KB, stands for them).
declare -A before=(
    [win64/installer.exe]=547328 [win64/update.exe]=339456 [win64/Quarlan.exe]=339456
    [win64/QuarlanUninstaller.exe]=246272 [win64/cleanup.exe]=210432
    [linux/unixloader]=1576360 [linux/quarlan]=1265064 [linux/maclauncher]=1265064
    [linux/macsetup]=654328 [linux/kitcheck]=748600
)
declare -A peer=([win32]=58368 [win64]=160768)

kb() { awk -v b="$1" 'BEGIN { printf "%.0f KB", b / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

printf '%-32s %9s %9s %7s %9s %7s %10s\n' program size before ratio peer ratio "debug file"
found=0
for dir in win32 win64 linux linux-arm64 macos; do
    [ -d "$root/dist/$dir" ] || continue
    for f in "$root/dist/$dir"/*; do
        [ -f "$f" ] || continue
        found=1
        name=$dir/$(basename "$f")
        size=$(stat -c %s "$f")
        b=${before[$name]:-}
        p=${peer[$dir]:-}
        debug=$(find "$root/build/$dir" -name "$(basename "$f" .exe).debug" -print -quit 2>/dev/null || true)
        printf '%-32s %9s %9s %7s %9s %7s %10s\n' "$name" "$(kb "$size")" \
            "${b:+$(kb "$b")}" "${b:+$(ratio "$size" "$b")}" \
            "${p:+$(kb "$p")}" "${p:+$(ratio "$size" "$p")}" \
            "${debug:+$(kb "$(stat -c %s "$debug")")}"
    done
done
[ "$found" = 1 ] || { echo "build the presets first (dist/ is empty)"; exit 1; }
