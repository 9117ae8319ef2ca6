#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing (Debian 12).
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
          g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine xvfb xauth
          openjdk-17-jdk-headless makeself nsis file osslsigncode zip unzip openssl
          llvm g++-aarch64-linux-gnu qemu-user-static binfmt-support)
command -v npm >/dev/null || packages+=(npm)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

# The 32-bit Windows programs run under wine32, which needs the i386
# architecture: the wine32 lane of the tests runs the shipped 32-bit bytes.
added_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added_i386=1
fi
packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ $added_i386 -eq 1 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The arm64 tests start arm64 programs from arm64 programs: the kernel hands
# them to qemu-user through binfmt_misc.
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $sudo mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]; then
    $sudo update-binfmts --enable qemu-aarch64
fi

# The Zig toolchain that cross-builds the macOS programs, from npm at the
# version and hash of tools/zig/package-lock.json, into build/tools/zig.
cd "$(dirname "$0")/.."
zig=build/tools/zig
if ! cmp -s tools/zig/package-lock.json "$zig/installed-lock.json"; then
    echo "Installing the Zig toolchain (npm ci)"
    mkdir -p "$zig"
    cp tools/zig/package.json tools/zig/package-lock.json "$zig/"
    (cd "$zig" && npm ci --no-audit --no-fund --loglevel=error)
    cp tools/zig/package-lock.json "$zig/installed-lock.json"
fi
