#!/usr/bin/env bash
# The main job: set up this machine, build every deliverable, then ship the
# demo application as a kit author would and install it as an end user does:
# kitpack makes the demo kit's one file (a self-extracting .run), and the
# user runs it unattended from the folder it was downloaded to; it unpacks
# the kit privately, unixloader finds this machine's JDK and starts the
# kit's install wizard. Afterwards the logs are in the user's folder, nothing
# is left in the temporary folder, and the installed application is started
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

# The kit as its author lays it out: the demo's wizard, control file and
# probe, the POSIX installer and the Linux launcher the wizard installs. Its
# trace is kept (jinstall.log) and echoed on the terminal (term.log).
user_dir="$root/build/demo"
target="$user_dir/QuarlanDemo"
rm -rf "$user_dir"
mkdir -p "$user_dir"
kit="$root/build/demo-kit"
rm -rf "$kit"
mkdir -p "$kit"
cp -R build/linux/examples/demo-kit/. "$kit/"
cp dist/linux/unixloader "$kit/"
cp dist/linux/quarlan "$kit/launcher"
: > "$kit/jinstall.log"
: > "$kit/term.log"

echo
echo "== kitcheck $kit"
dist/linux/kitcheck "$kit"

# The one file the end user downloads.
echo
echo "== kitpack --family posix --name \"Quarlan Demo\" $kit $user_dir/quarlan-demo.run"
dist/linux/kitpack --family posix --name "Quarlan Demo" --version 1.0 "$kit" "$user_dir/quarlan-demo.run"

# The end user: in the folder the file was downloaded to, with an answers
# file beside it, runs it unattended.
printf 'installDir=%s\n' "$target" > "$user_dir/answers.properties"
echo
echo "== ./quarlan-demo.run -q answers.properties (in $user_dir)"
cd "$user_dir"
set +e
./quarlan-demo.run -q answers.properties
status=$?
set -e
echo
echo "== exit status: $status (0 = installed)"
echo "logs in $user_dir:"
ls -1 "$user_dir" | sed 's/^/  /'
[ "$status" -eq 0 ] || { echo "installation failed"; exit 1; }

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
  $user_dir/quarlan-demo.run
      the file an end user downloads (kitpack made it from $kit)
  $user_dir/answers.properties
      the answers the wizard took in the unattended run
  examples/demo/qrl.control   the demo kit's control file
  docs/kit-guide.md           how to make a kit of your own
  docs/administrators.md      unattended installs on many machines
EOF
