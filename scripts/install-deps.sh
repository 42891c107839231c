#!/bin/sh
# Installs, with apt-get, whatever the build and the tests need and is not installed yet (or,
# given package names, those instead). Quick and harmless when everything is present; works as
# root or through sudo.
set -eu

PACKAGES="
g++
clang
llvm
clang-format
make
cmake
ninja-build
pkg-config
libgtest-dev
libgmock-dev
libbenchmark-dev
qt6-base-dev
qt6-base-private-dev
qt6-serialport-dev
libgif-dev
xvfb
libxext-dev
xauth
fonts-dejavu-core
fonts-liberation2
qt6-svg-dev
dpkg-dev
file
desktop-file-utils
appstream
libxml2-utils
shared-mime-info
man-db
groff-base
poppler-utils
"

[ "$#" -gt 0 ] && PACKAGES="$*"

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
    echo "$(basename "$0"): need root or sudo to install:$missing" >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
