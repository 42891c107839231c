#!/bin/sh
# Builds a static Qt for 64-bit Windows from Debian's own qt6-base source package, once, into a
# cache folder outside the checkout, and prints that folder. A second call with the same version
# and options returns at once. The host's Qt (same version) serves moc, rcc and uic.
#
#   KAVRIN_QT_WINDOWS   install prefix (default ~/.cache/kavrin/qt-6.4.2-mingw-static)
#   KAVRIN_QT_JOBS      parallel compile jobs (default 2)
#
#   scripts/build-qt-windows.sh --check   exit 0 when it is already built, 1 when not
set -eu

QT_VERSION=6.4.2
HERE=$(cd "$(dirname "$0")" && pwd)
TOOLCHAIN="$HERE/../cmake/mingw-w64-x86_64.cmake"
CACHE_ROOT="${XDG_CACHE_HOME:-$HOME/.cache}/kavrin"
PREFIX="${KAVRIN_QT_WINDOWS:-$CACHE_ROOT/qt-$QT_VERSION-mingw-static}"
JOBS="${KAVRIN_QT_JOBS:-2}"
WORK="$CACHE_ROOT/qt-$QT_VERSION-mingw-work"

# Everything Kavrin does not use is off; third-party libraries are Qt's bundled copies so the
# result links into one executable. tabletevent is off because the source lacks wintab.h;
# OpenGL stays at its default (dynamic): without it the Windows platform plugin does not build.
OPTIONS="
-DCMAKE_BUILD_TYPE=Release
-DBUILD_SHARED_LIBS=OFF
-DQT_HOST_PATH=/usr
-DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
-DQT_BUILD_EXAMPLES=OFF
-DQT_BUILD_TESTS=OFF
-DFEATURE_sql=OFF
-DFEATURE_network=OFF
-DFEATURE_dbus=OFF
-DFEATURE_printsupport=OFF
-DFEATURE_xml=OFF
-DFEATURE_concurrent=OFF
-DFEATURE_icu=OFF
-DFEATURE_system_zlib=OFF
-DFEATURE_system_png=OFF
-DFEATURE_system_jpeg=OFF
-DFEATURE_system_harfbuzz=OFF
-DFEATURE_system_freetype=OFF
-DFEATURE_system_pcre2=OFF
-DFEATURE_tabletevent=OFF
"
KEY=$( (echo "$QT_VERSION"; echo "$OPTIONS"; cat "$TOOLCHAIN") | sha256sum | cut -c1-16)
KEY_FILE="$PREFIX/kavrin-build-key"

if [ -f "$KEY_FILE" ] && [ "$(cat "$KEY_FILE")" = "$KEY" ] && [ -x "$PREFIX/bin/qt-cmake" ]; then
    echo "$PREFIX"
    exit 0
fi
# --check: only tell whether it is built (exit 0, above) or not.
[ "${1:-}" = "--check" ] && exit 1

"$HERE/install-windows-deps.sh" >&2

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

# apt-get source needs a deb-src entry: the same archives and suites as the deb ones.
add_deb_src() {
    if grep -rqs '^[[:space:]]*\(Types:.*deb-src\|deb-src\)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    list=/etc/apt/sources.list.d/kavrin-deb-src.sources
    for f in /etc/apt/sources.list.d/*.sources; do
        grep -qs '^URIs:.*debian' "$f" && sed -n 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/;p' "$f"
        echo
    done | $SUDO tee "$list.tmp" >/dev/null
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb[[:space:]]/deb-src /p' /etc/apt/sources.list | $SUDO tee "${list%.sources}.list" >/dev/null
    fi
    $SUDO mv "$list.tmp" "$list"
    $SUDO apt-get update -qq
}

fetch_source() {
    mkdir -p "$WORK"
    src=$(find "$WORK" -maxdepth 1 -type d -name "qt6-base-$QT_VERSION*" | head -n 1)
    if [ -z "$src" ]; then
        add_deb_src
        (cd "$WORK" && apt-get source -qq "qt6-base=$QT_VERSION*" >&2 || apt-get source -qq qt6-base >&2)
        src=$(find "$WORK" -maxdepth 1 -type d -name "qt6-base-$QT_VERSION*" | head -n 1)
    fi
    [ -n "$src" ] || { echo "build-qt-windows: no qt6-base $QT_VERSION source" >&2; exit 1; }
    echo "$src"
}

SRC=$(fetch_source)
BUILD="$WORK/build"
# A build cut short with the same key goes on where it stopped.
if [ "$(cat "$BUILD/kavrin-build-key" 2>/dev/null)" != "$KEY" ]; then
    rm -rf "$BUILD"
    mkdir -p "$BUILD"
    echo "$KEY" > "$BUILD/kavrin-build-key"
fi
[ -f "$KEY_FILE" ] && rm -rf "$PREFIX"
start=$(date +%s)
# shellcheck disable=SC2086
cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" $OPTIONS >&2
cmake --build "$BUILD" --parallel "$JOBS" >&2
cmake --install "$BUILD" >&2
echo "$KEY" > "$KEY_FILE"
echo "build-qt-windows: built in $(( $(date +%s) - start )) s" >&2
rm -rf "$BUILD"
echo "$PREFIX"
