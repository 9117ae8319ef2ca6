#!/bin/sh
# Runs the command given when this kernel runs 32-bit programs (the 32-bit
# wine loader answers); otherwise ends with 77, the tests' "skipped", and
# says why on standard error.
loader=${QRL_WINE32_LOADER:-/usr/lib/wine/wine}
case "$("$loader" --version 2>/dev/null)" in
    wine-*) exec "$@" ;;
esac
echo "skipped: this kernel cannot run 32-bit programs ($loader does not start)" >&2
exit 77
