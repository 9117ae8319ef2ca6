// The shell script in front of the POSIX wrapper's archive. makeself runs it
// as a header template (its --header): the unquoted part takes the numbers
// makeself knows (header length, checksum), the quoted part is the script.
#include "kitpack/kitpack.h"

namespace qrl {

std::string_view posixHeaderScript() {
    return R"HEADER(cat << EOF > "$archname"
#!/bin/sh
# A self-extracting installer:
#   ./THIS-FILE                            installs, asking its questions
#   ./THIS-FILE -q answers.properties      installs unattended
# Exit status 0 when the installation succeeded, 1 when it failed, 128+N when
# stopped by signal N.
skip=$SKIP
crc=$CRCsum
EOF
cat << 'EOF' >> "$archname"
me=$0
case $me in /*) ;; *) me=$PWD/$me ;; esac
start=$PWD
# The answers file is the user's: named relative to where the user is.
case ${1-} in
-q|-s)
    if [ $# -ge 2 ]; then
        case $2 in
        /*) ;;
        *) switch=$1 file=$2; shift 2; set -- "$switch" "$start/$file" "$@" ;;
        esac
    fi ;;
esac

offset=$(head -n "$skip" "$me" | wc -c | tr -d ' ')
sum=$(tail -c +"$((offset + 1))" "$me" | cksum | { read -r c rest; echo "$c"; })
if [ "$sum" != "$crc" ]; then
    echo "$me is damaged (its checksum does not match); download it again." >&2
    exit 1
fi

# A private directory that lets programs run: TMPDIR, else the system's
# places, else the home directory (a noexec /tmp is passed over).
dir=
for base in "${TMPDIR-}" /tmp /var/tmp "${HOME-}"; do
    [ -n "$base" ] && [ -d "$base" ] && [ -w "$base" ] || continue
    d=$(umask 077; mktemp -d "$base/qrlkit.XXXXXX" 2>/dev/null) || continue
    [ -n "$d" ] && [ -d "$d" ] || continue
    if printf '#!/bin/sh\nexit 0\n' >"$d/.probe" 2>/dev/null && chmod 700 "$d/.probe" &&
        "$d/.probe" 2>/dev/null; then
        rm -f "$d/.probe"
        dir=$d
        break
    fi
    rm -rf "$d"
done
if [ -z "$dir" ]; then
    echo "No place to unpack the installer: TMPDIR, /tmp, /var/tmp and the home directory" \
        "are not writable or do not let programs run there." >&2
    exit 1
fi
trap 'rm -rf "$dir"; exit 129' HUP
trap 'rm -rf "$dir"; exit 130' INT
trap 'rm -rf "$dir"; exit 143' TERM
if ! tail -c +"$((offset + 1))" "$me" | gzip -cd | (cd "$dir" && tar xof -); then
    rm -rf "$dir"
    echo "Unable to unpack $me into $dir" >&2
    exit 1
fi
printf '%s\n' "$start" >"$dir/startdir.txt"

# The installer gets the terminal's signals itself and ends with 128+N; this
# script waits for it and reports the same.
sig=0
trap 'sig=1' HUP
trap 'sig=2' INT
trap 'sig=15' TERM
(cd "$dir" && exec ./unixloader "$@")
status=$?
# The installer removes its directory once it saved the logs; one it kept
# holds them.
if [ -d "$dir" ]; then
    if ls "$dir" | grep '\.log$' >/dev/null; then
        echo "The logs of this installation are in $dir" >&2
    else
        rm -rf "$dir"
    fi
fi
[ "$sig" -eq 0 ] || exit $((128 + sig))
case $status in
1) exit 0 ;;
129|130|131|143) exit "$status" ;;
*) exit 1 ;;
esac
EOF
)HEADER";
}

std::string_view jvmArchiveHeaderScript() {
    return R"HEADER(cat << EOF > "$archname"
#!/bin/sh
# A JVM that unpacks itself into the current directory. Exit status 0 when
# it did, 1 otherwise.
skip=$SKIP
crc=$CRCsum
EOF
cat << 'EOF' >> "$archname"
me=$0
case $me in /*) ;; *) me=$PWD/$me ;; esac
offset=$(head -n "$skip" "$me" | wc -c | tr -d ' ')
sum=$(tail -c +"$((offset + 1))" "$me" | cksum | { read -r c rest; echo "$c"; })
if [ "$sum" != "$crc" ]; then
    echo "$me is damaged (its checksum does not match)" >&2
    exit 1
fi
tail -c +"$((offset + 1))" "$me" | gzip -cd | tar xopf - || {
    echo "Unable to unpack $me into $PWD" >&2
    exit 1
}
exit 0
EOF
)HEADER";
}

}  // namespace qrl
