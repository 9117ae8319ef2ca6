#!/bin/sh
# The end user's files that kitpack makes, end to end.
#   kitpack_test.sh posix KITPACK DEMO_KIT UNIXLOADER FAKEJAVA
#   kitpack_test.sh macos KITPACK DEMO_KIT MACSETUP [UNIVERSAL_MACSETUP CHECK_MACHO]
#   kitpack_test.sh windows KITPACK DEMO_KIT INSTALLER_EXE CLEANUP_EXE JAVA_EXE WINEPREFIX
# posix: the demo kit's .run installs with this machine's JDK, unattended from
# a start folder with blanks and letters beyond ASCII, through a terminal, from
# a read-only or noexec TMPDIR; a failing kit and a damaged file give 1; a
# kit's own JVM archive (kitpack --jvm-archive) is installed and runs the
# wizard, a damaged one fails the installation.
# macos: the .zip's bundle (layout, Info.plist, modes, links) and macsetup run
# as its executable, taking the kit from Contents/Resources.
# windows: the .exe under a 32-bit wine prefix with the real 32-bit
# installer.exe and a stand-in JVM: -q with a relative answers file, the
# logs beside the .exe, a failing run gives 1, what stays in the temporary
# folder.
set -u
mode=$1 kitpack=$2 demo=$3
t=$(mktemp -d "${TMPDIR:-/tmp}/kitpack-test.XXXXXX")
chmod 755 "$t"
trap 'rm -rf "$t"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
    what=$1; shift
    "$@" || fail "$what"
}
java=$(readlink -f "$(command -v java)")
jdk=${java%/bin/java}
export HOME="$t/home" LANG=C.UTF-8
mkdir -p "$HOME" "$t/tmp"

# A copy of the demo kit that a test may change.
kit() {
    rm -rf "$t/$1" && mkdir -p "$t/$1" && cp -R "$demo/." "$t/$1/"
}

if [ "$mode" = posix ]; then
    unixloader=$4
    kit() {
        rm -rf "$t/$1" && mkdir -p "$t/$1" && cp -R "$demo/." "$t/$1/" && cp "$unixloader" "$t/$1/"
    }
    kit kit
    : >"$t/kit/jinstall.log"   # the installer's trace, saved in the start folder

    # Refusals: a kit with problems, a missing tool.
    kit broken
    rm "$t/broken/install.jar"
    "$kitpack" --family posix --name Demo "$t/broken" "$t/broken.run" >"$t/out" 2>&1
    check "a kit with problems is refused" test $? -eq 1 -a ! -e "$t/broken.run"
    check "the refusal says why" grep -q "install.jar" "$t/out"
    PATH=/nonexistent "$kitpack" --family posix --name Demo "$t/kit" "$t/x.run" >"$t/out" 2>&1
    check "a missing makeself is named with its package" grep -q "Debian package makeself" "$t/out"
    "$kitpack" --family posix --name Demo "$t/kit" "$t/no such folder/x.run" >"$t/out" 2>&1
    check "an output folder that is not there fails" test $? -eq 1
    check "an output folder that is not there is named" grep -q "no folder $t/no such folder" "$t/out"

    "$kitpack" --family posix --name "Quarlan Demo" --version 1.0 "$t/kit" "$t/demo.run" >"$t/out" 2>&1 ||
        { cat "$t/out"; fail "kitpack posix"; exit 1; }

    # Unattended from a folder with blanks and letters beyond ASCII; the
    # answers file is named relative to it, the user's umask is 022.
    start="$t/Start dir Jürgen たろう"
    mkdir -p "$start"
    printf 'installDir=%s\n' "$t/app" >"$start/answers.properties"
    (cd "$start" && umask 022 && TMPDIR="$t/tmp" "$t/demo.run" -q answers.properties) >"$t/out" 2>&1
    status=$?
    check "-q installs, exit 0 ($status): $(cat "$t/out")" test "$status" -eq 0
    check "the application is installed" test -f "$t/app/lib/demo-app.jar"
    check "installed files follow the user's umask" test "$(stat -c %a "$t/app/lib/demo-app.jar")" = 644
    check "installed folders follow the user's umask" test "$(stat -c %a "$t/app/lib")" = 755
    check "the logs are in the start folder" grep -q "Java wizard launched successfully: true" "$start/jinstall.log"
    check "nothing is left in TMPDIR" test -z "$(ls -A "$t/tmp")"

    # Interactive, through a terminal: the wizard installs where it would.
    # (Java takes the home directory from the user database, not HOME.)
    (cd "$start" && TMPDIR="$t/tmp" JAVA_TOOL_OPTIONS="-Duser.home=$HOME" script -qec "'$t/demo.run'" /dev/null) \
        >"$t/out" 2>&1
    status=$?
    check "interactive run through a terminal, exit 0 ($status): $(cat "$t/out")" test "$status" -eq 0
    check "interactive run installs" test -f "$HOME/QuarlanDemo/lib/demo-app.jar"

    # TMPDIR read-only, then mounted noexec: another place is taken.
    if unshare -m true 2>/dev/null; then
        for how in ro noexec; do
            rm -rf "$t/app"
            mkdir -p "$t/$how"
            unshare -m sh -c 'mount -t tmpfs -o "$1",size=4m tmpfs "$2" && cd "$3" && TMPDIR="$2" "$4" -q answers.properties' \
                sh "$how" "$t/$how" "$start" "$t/demo.run" >"$t/out" 2>&1
            status=$?
            check "a $how TMPDIR gives way, exit 0 ($status): $(cat "$t/out")" test "$status" -eq 0
            check "a $how TMPDIR gives way: installed" test -f "$t/app/lib/demo-app.jar"
        done
    else
        echo "note: read-only and noexec TMPDIR not tried (no mount namespace)"
    fi

    # A failing installation and a damaged file give 1.
    kit old
    sed -i 's/^jvmMinVersion=.*/jvmMinVersion=99/' "$t/old/qrl.control"
    "$kitpack" --family posix --name Old "$t/old" "$t/old.run" >"$t/out" 2>&1 || fail "kitpack old: $(cat "$t/out")"
    (cd "$start" && TMPDIR="$t/tmp" "$t/old.run" -q answers.properties) >"$t/out" 2>&1
    check "a failed installation gives 1" test $? -eq 1
    check "its errors are in the start folder" test -s "$start/errors.log"
    cp "$t/demo.run" "$t/damaged.run"
    printf 'x' | dd of="$t/damaged.run" bs=1 seek=$(($(stat -c %s "$t/damaged.run") - 100)) conv=notrunc 2>/dev/null
    (cd "$start" && TMPDIR="$t/tmp" "$t/damaged.run" -q answers.properties) >"$t/out" 2>&1
    check "a damaged file gives 1" test $? -eq 1
    check "a damaged file says so" grep -q "damaged" "$t/out"
    check "nothing is left in TMPDIR after failures" test -z "$(ls -A "$t/tmp")"

    # The kit's own JVM, from a JVM archive kitpack made of a stand-in JVM
    # folder (an executable, a link, a file of its own).
    mkdir -p "$t/jvm/bin"
    cp "$5" "$t/jvm/bin/java"
    echo 17.0.15 >"$t/jvm/bin/fakejava.version"
    ln -s java "$t/jvm/bin/java-link"
    "$kitpack" --jvm-archive --family posix "$t/jvm" "$t/jre.run" >"$t/out" 2>&1 || fail "kitpack --jvm-archive: $(cat "$t/out")"
    (mkdir -p "$t/unpacked" && cd "$t/unpacked" && "$t/jre.run") >"$t/out" 2>&1
    check "the JVM archive unpacks silently into the current directory" \
        test $? -eq 0 -a ! -s "$t/out" -a -x "$t/unpacked/bin/java" -a -L "$t/unpacked/bin/java-link"
    kit jvmkit
    cp "$t/jre.run" "$t/jvmkit/"
    sed -i 's/^searchForJvm=.*/searchForJvm=no/' "$t/jvmkit/qrl.control"
    printf 'jvmVersion=17.0.15\njvmSelfExtractor=jre.run\njvmHomeDir=./\npredefinedJvmInstallDir=%s\n' \
        "$t/kitjvm" >>"$t/jvmkit/qrl.control"
    "$kitpack" --family posix --name Jvm "$t/jvmkit" "$t/jvmkit.run" >"$t/out" 2>&1 || fail "kitpack jvmkit: $(cat "$t/out")"
    rm -f "$start/errors.log"
    (cd "$start" && TMPDIR="$t/tmp" FAKEJAVA_WIZARD=ok FAKEJAVA_RECORD="$t/wizard.txt" "$t/jvmkit.run" -q answers.properties) \
        >"$t/out" 2>&1
    status=$?
    check "a kit's own JVM is installed, exit 0 ($status): $(cat "$t/out")" test "$status" -eq 0
    check "its modes and links are kept" test -x "$t/kitjvm/bin/java" -a "$(readlink "$t/kitjvm/bin/java-link")" = java
    check "the wizard ran with it" grep -q "^[0-9]*:$t/kitjvm/bin/java$" "$t/wizard.txt"
    # Stopped by a signal while the wizard runs (the terminal's Ctrl-C or
    # hang-up reaches the whole process group): 128+N, nothing left behind.
    rm -f "$t/wizard.txt"
    (cd "$start" && TMPDIR="$t/tmp" FAKEJAVA_WIZARD=ok FAKEJAVA_SLEEP_MS=30000 FAKEJAVA_RECORD="$t/wizard.txt" \
        exec setsid "$t/jvmkit.run" -q answers.properties) >"$t/out" 2>&1 &
    pid=$!
    n=0
    while [ ! -s "$t/wizard.txt" ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n + 1)); done
    kill -TERM -"$pid"
    wait "$pid"
    status=$?
    check "stopped by SIGTERM: 143 ($status)" test "$status" -eq 143
    check "nothing is left in TMPDIR after a signal" test -z "$(ls -A "$t/tmp")"
    rm -rf "$t/kitjvm"
    printf 'x' | dd of="$t/jvmkit/jre.run" bs=1 seek=$(($(stat -c %s "$t/jvmkit/jre.run") - 10)) conv=notrunc 2>/dev/null
    "$kitpack" --family posix --name Jvm "$t/jvmkit" "$t/jvmkit.run" >"$t/out" 2>&1 || fail "kitpack jvmkit: $(cat "$t/out")"
    (cd "$start" && TMPDIR="$t/tmp" FAKEJAVA_WIZARD=ok "$t/jvmkit.run" -q answers.properties) >"$t/out" 2>&1
    check "a damaged JVM archive fails the installation" test $? -eq 1
    check "and says so in errors.log: $(cat "$start/errors.log")" grep -q "The JVM archive failed with exit status 1" "$start/errors.log"
fi

if [ "$mode" = macos ]; then
    macsetup=$4
    kit kit
    cp "$macsetup" "$t/kit/macsetup"
    : >"$t/kit/jinstall.log"
    mkdir -p "$t/kit/bin"
    printf '#!/bin/sh\necho tool\n' >"$t/kit/bin/tool"
    chmod 755 "$t/kit/bin/tool"
    ln -s tool "$t/kit/bin/tool-link"
    "$kitpack" --family macos --name 'Demo & "Co"' --version 2.1 "$t/kit" "$t/demo" >"$t/out" 2>&1 ||
        { cat "$t/out"; fail "kitpack macos"; exit 1; }
    mkdir -p "$t/Downloads é"
    (cd "$t/Downloads é" && unzip -q "$t/demo.zip") || fail "unzip"
    app="$t/Downloads é/Demo & \"Co\".app"
    check "the bundle's executable is named after it and executable" test -x "$app/Contents/MacOS/Demo & \"Co\""
    check "the kit is in Resources" test -f "$app/Contents/Resources/install.jar" -a ! -e "$app/Contents/Resources/macsetup"
    check "modes are kept" test -x "$app/Contents/Resources/bin/tool"
    check "links are kept" test "$(readlink "$app/Contents/Resources/bin/tool-link")" = tool
    plist="$app/Contents/Info.plist"
    check "Info.plist names the executable" grep -q "<string>Demo &amp; &quot;Co&quot;</string>" "$plist"
    check "Info.plist carries the version" grep -q "<string>2.1</string>" "$plist"
    if command -v xmllint >/dev/null; then check "Info.plist is well-formed" xmllint --noout "$plist"; fi

    # The bundle's executable installs from Resources; the logs go beside
    # the bundle.
    mkdir -p "$t/jvms/jdk"
    ln -s "$jdk" "$t/jvms/jdk/Home"
    printf 'installDir=%s\n' "$t/app" >"$t/answers.properties"
    (cd "$HOME" && TMPDIR="$t/tmp" QUARLAN_MAC_JVM_ROOTS="$t/jvms" QUARLAN_OS_RELEASE=23.4.0 \
        "$app/Contents/MacOS/Demo & \"Co\"" -q "$t/answers.properties") >"$t/out" 2>&1
    status=$?
    check "macsetup in the bundle installs, exit 1 ($status): $(cat "$t/out")" test "$status" -eq 1
    check "the application is installed" test -f "$t/app/lib/demo-app.jar"
    check "the logs are beside the bundle" grep -q "Java wizard launched successfully: true" "$t/Downloads é/jinstall.log"
    check "the bundle is left as it was" test ! -e "$app/Contents/Resources/startdir.txt"

    # The universal program, through the zip, is still what a Mac takes
    # (both slices, the arm64 signature).
    if [ -f "${5:-}" ]; then
        cp "$5" "$t/kit/macsetup"
        "$kitpack" --family macos --name Demo "$t/kit" "$t/universal.zip" >"$t/out" 2>&1 || fail "kitpack universal"
        mkdir -p "$t/u" && (cd "$t/u" && unzip -q "$t/universal.zip")
        check "the bundle's universal program passes the Mach-O checks" sh "$6" "$t/u/Demo.app/Contents/MacOS/Demo"
    else
        echo "note: no universal macsetup (build the macos-cross preset): Mach-O checks not run"
    fi
fi

if [ "$mode" = windows ]; then
    installer=$4 cleanup=$5 standin=$6
    for f in "$installer" "$cleanup" "$standin"; do
        [ -f "$f" ] || { echo "skipped: no $f (build the win32 preset)"; exit 77; }
    done
    export WINEPREFIX="$7" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    win() { printf 'Z:%s' "$1" | tr / '\\'; }
    kit kit
    cp "$installer" "$t/kit/installer.exe"
    cp "$cleanup" "$t/kit/cleanup.exe"
    : >"$t/kit/jinstall.log"
    downloads="$t/Downloads Jürgen"
    mkdir -p "$downloads" "$t/user" "$t/jre8/bin"
    "$kitpack" --family windows --name 'Demo $1 "Co"' --version 1.2.3 "$t/kit" "$downloads/demo" >"$t/out" 2>&1 ||
        { cat "$t/out"; fail "kitpack windows"; exit 1; }
    x86_64-w64-mingw32-windres -i "$downloads/demo.exe" -J coff -O rc >"$t/rc" 2>/dev/null
    check "the version resource names the product" grep -q 'VALUE "ProductName", "Demo $1 ""Co"""' "$t/rc"
    check "the version resource carries the version" grep -q 'FILEVERSION 1, 2, 3, 0' "$t/rc"
    cp "$standin" "$t/jre8/bin/java.exe"
    cp "$standin" "$t/jre8/bin/javaw.exe"
    root="Software\\QuarlanKitpackTest$$"
    wine reg add "HKCU\\$root\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8.0_392" /v JavaHome \
        /d "$(win "$t/jre8")" /f >/dev/null 2>&1 || fail "registering the stand-in JVM"
    temps() { find "$WINEPREFIX/drive_c/users" -maxdepth 5 -name 'ns*.tmp' 2>/dev/null | sort; }
    before=$(temps)
    printf 'installDir=C:\\App\n' >"$t/user/answers.properties"
    (cd "$t/user" && QUARLAN_REGISTRY_ROOT="$root" FAKEJAVA_WIZARD=ok FAKEJAVA_RECORD="$(win "$t/wizard.txt")" \
        wine "$downloads/demo.exe" -q answers.properties) >"$t/out" 2>&1
    status=$?
    check "the .exe installs, exit 0 ($status): $(cat "$t/out")" test "$status" -eq 0
    check "the wizard ran with -q" grep -qx -- "-q" "$t/wizard.txt"
    check "the answers file is named from the user's folder: $(tail -1 "$t/wizard.txt")" \
        test "$(tail -1 "$t/wizard.txt" | tr -d '\r')" = "$(win "$t/user/answers.properties")"
    check "the logs are beside the .exe" test -s "$downloads/jinstall.log"
    check "no errors" test ! -e "$downloads/errors.log"
    wineserver -w
    echo "left in the temporary folder after the clean-up:"
    for d in $(temps); do
        case " $before " in *" $d "*) continue ;; esac
        (cd "$d" && find . | sed 's/^/  /')
        rm -rf "$d"
    done
    rm -f "$t/wizard.txt"
    (cd "$t/user" && QUARLAN_REGISTRY_ROOT="$root" FAKEJAVA_RECORD="$(win "$t/wizard.txt")" \
        wine "$downloads/demo.exe" -q answers.properties) >"$t/out" 2>&1
    check "a failed installation gives 1" test $? -eq 1
    check "its errors are beside the .exe" test -s "$downloads/errors.log"

    # The kit's own JVM from a Windows JVM archive kitpack made: expanded into
    # Program Files, registered, and the wizard runs with it; a damaged one
    # fails the installation.
    wine reg delete "HKCU\\$root" /f >/dev/null 2>&1
    mkdir -p "$t/wjvm/bin" "$t/Program Files" "$t/Windows"
    cp "$standin" "$t/wjvm/bin/javaw.exe"
    cp "$standin" "$t/wjvm/bin/java.exe"
    "$kitpack" --jvm-archive --family windows "$t/wjvm" "$t/jre" >"$t/out" 2>&1 || fail "kitpack --jvm-archive: $(cat "$t/out")"
    kit wkit
    cp "$installer" "$t/wkit/installer.exe"
    cp "$cleanup" "$t/wkit/cleanup.exe"
    cp "$t/jre.exe" "$t/wkit/jre.exe"
    printf '%s\n' jvmMinVersion=1.8 jvmVersion=17.0.15 jvmName=JRE jvmCommandName=javaw.exe jvmClasspathSwitch=-cp \
        'loaderClasspath=.;install.jar' loaderJavaCommand=DemoInstaller jvmInstallerType=selfExtratorJvmInstaller \
        jvmSelfExtractor=jre.exe >"$t/wkit/qrl.control"
    runkit() {
        "$kitpack" --family windows --name Jvm "$t/wkit" "$downloads/wjvm" >"$t/out" 2>&1 || fail "kitpack wkit: $(cat "$t/out")"
        rm -f "$downloads/errors.log" "$t/wizard.txt"
        (cd "$t/user" && QUARLAN_REGISTRY_ROOT="$root" QUARLAN_PROGRAM_FILES="$(win "$t/Program Files")" \
            QUARLAN_WINDOWS_DIR="$(win "$t/Windows")" FAKEJAVA_VERSION=17.0.15 FAKEJAVA_WIZARD=ok \
            FAKEJAVA_RECORD="$(win "$t/wizard.txt")" wine "$downloads/wjvm.exe" -q answers.properties) >"$t/out" 2>&1
    }
    runkit
    status=$?
    check "a kit's own JVM is installed, exit 0 ($status): $(cat "$downloads/errors.log" 2>/dev/null)" test "$status" -eq 0
    jre="$t/Program Files/JavaSoft/JRE17.0/17.0.15"
    check "the JVM archive was expanded" test -f "$jre/bin/javaw.exe"
    check "the JVM is registered" wine reg query "HKCU\\$root\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\17.0" \
        /v JavaHome >/dev/null 2>&1
    check "the wizard ran with the JVM installed" \
        test "$(head -1 "$t/wizard.txt" | tr -d '\r' | tr 'A-Z' 'a-z')" = "$(win "$jre/bin/javaw.exe" | tr 'A-Z' 'a-z')"
    rm -rf "$t/Program Files/JavaSoft"
    wine reg delete "HKCU\\$root" /f >/dev/null 2>&1
    printf 'xxxx' | dd of="$t/wkit/jre.exe" bs=1 seek=$(($(stat -c %s "$t/wkit/jre.exe") / 2)) conv=notrunc 2>/dev/null
    runkit
    check "a damaged JVM archive fails the installation" test $? -eq 1
    check "and says so in errors.log: $(cat "$downloads/errors.log" 2>/dev/null)" \
        grep -q "The JVM archive failed with exit status" "$downloads/errors.log"
    wine reg delete "HKCU\\$root" /f >/dev/null 2>&1
    wineserver -w
    for d in $(temps); do case " $before " in *" $d "*) ;; *) rm -rf "$d" ;; esac; done
fi

[ "$failures" -eq 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
