#!/usr/bin/env bash
# The main job: set up this machine, build every deliverable, then install the
# demo application as a user of a kit would: the kit is unpacked into a fresh
# working directory with "startdir.txt" naming the directory the user is in,
# and unixloader runs there, finds this machine's JDK and starts the kit's
# install wizard unattended. Afterwards the logs are in the user's directory,
# the working directory is gone, and the installed application is started
# through its launcher (the Linux launcher, quarlan). Exits 0 when every step
# worked.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
scripts/setup.sh
scripts/build.sh win64 win32 linux

echo
echo "== dist/"
for d in dist/linux dist/win32 dist/win64 dist/kit; do
    [ -d "$d" ] || continue
    for f in "$d"/*; do
        printf '  %-34s %s\n' "$f" "$(file -b "$f" | cut -c1-60)"
    done
done

# The user's directory, the unattended answers and the kit's working directory.
user_dir="$root/build/demo"
target="$user_dir/QuarlanDemo"
rm -rf "$user_dir"
mkdir -p "$user_dir"
work=$(mktemp -d "${TMPDIR:-/tmp}/quarlan-kit.XXXXXX")
cp -R build/linux/examples/demo-kit/. "$work/"
cp dist/linux/quarlan "$work/launcher"
printf '%s\n' "$user_dir" > "$work/startdir.txt"
printf 'installDir=%s\n' "$target" > "$user_dir/answers.properties"
: > "$work/jinstall.log"   # keep the installer's trace, and
: > "$work/term.log"       # echo it on the terminal

echo
echo "== kitcheck $work"
dist/linux/kitcheck "$work"

echo
echo "== unixloader -q answers.properties (in $work)"
cd "$work"
set +e
"$root/dist/linux/unixloader" -q "$user_dir/answers.properties"
status=$?
set -e
cd "$user_dir"
echo
echo "== unixloader exit status: $status (1 = installed)"
[ -d "$work" ] && echo "working directory still there: $work" || echo "working directory removed"
echo "logs in $user_dir:"
ls -1 "$user_dir" | sed 's/^/  /'
[ "$status" -eq 1 ] || { echo "installation failed"; exit 1; }

echo
echo "== $target/DemoApp 'hello world' (the installed application, through its launcher)"
set +e
"$target/DemoApp" "hello world"
status=$?
set -e
[ "$status" -eq 0 ] || { echo "the application did not run (launcher exit status $status)"; exit 1; }

cat <<EOF

== The demo worked. What to look at next:
  $target
      the installed application: DemoApp (the launcher) and
      Quarlan/DemoApp.properties, the file that tells it what to start
  $user_dir/answers.properties
      the answers the wizard took in the unattended run
  examples/demo/qrl.control   the demo kit's control file
  docs/kit-guide.md           how to make a kit of your own
  docs/administrators.md      unattended installs on many machines
EOF
