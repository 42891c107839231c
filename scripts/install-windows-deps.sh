#!/bin/sh
# Installs, with apt-get, what cross-building and testing the Windows programs needs: the
# MinGW-w64 compilers (posix threads, for std::jthread), Wine to run the results, NSIS and
# icoutils for the setup program and the icon, dpkg-dev to unpack Qt's source, and GoogleTest's
# source to build for Windows. The Linux build never needs these.
# Quick and harmless when everything is present; works as root or through sudo.
set -eu

PACKAGES="
g++-mingw-w64-x86-64-posix
gcc-mingw-w64-x86-64-posix
binutils-mingw-w64-x86-64
mingw-w64-x86-64-dev
wine
wine64
nsis
icoutils
dpkg-dev
xvfb
xauth
fonts-liberation2
googletest
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-windows-deps: need root or sudo to install:$missing" >&2
    exit 1
fi

echo "install-windows-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
