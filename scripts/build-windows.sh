#!/bin/sh
# Cross-builds the Windows programs from this Linux tree.
#
#   scripts/build-windows.sh          static Qt (built once, scripts/build-qt-windows.sh), then
#                                     kavrin.exe, kavrin-cli.exe, the tests and the setup
#                                     program into build-windows/
#   scripts/build-windows.sh --core   without Qt: kavrin-cli.exe and the core's tests into
#                                     build-windows-core/ (minutes, not the Qt build's hour)
#
#   KAVRIN_HOST_BUILD_DIR   the native build that provides the resource generator, the drawn
#                           pictures and the icon (default build/)
#   KAVRIN_JOBS             parallel compile jobs (default 2)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
HOST="${KAVRIN_HOST_BUILD_DIR:-$ROOT/build}"
JOBS="${KAVRIN_JOBS:-2}"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
GENERATOR="-G Ninja"
command -v ninja >/dev/null 2>&1 || GENERATOR=""

"$ROOT/scripts/install-windows-deps.sh"

# The native pieces the cross build reuses.
[ -f "$HOST/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$HOST" $GENERATOR
cmake --build "$HOST" --parallel "$JOBS" \
    --target kavrin-resgen kavrin_resources kavrin_desktop_files kavrin-cli

start=$(date +%s)
if [ "${1:-}" = "--core" ]; then
    DIR="$ROOT/build-windows-core"
    # shellcheck disable=SC2086
    cmake -S "$ROOT" -B "$DIR" $GENERATOR -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DKAVRIN_WITH_QT=OFF -DKAVRIN_HOST_BUILD_DIR="$HOST"
else
    DIR="$ROOT/build-windows"
    QT=$("$ROOT/scripts/build-qt-windows.sh")
    # Qt's own wrapper finds the static Qt; it chain-loads the MinGW toolchain file.
    # shellcheck disable=SC2086
    "$QT/bin/qt-cmake" -S "$ROOT" -B "$DIR" $GENERATOR \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DKAVRIN_WITH_QT=ON -DKAVRIN_HOST_BUILD_DIR="$HOST"
fi
cmake --build "$DIR" --parallel "$JOBS"
echo "build-windows: $DIR built in $(( $(date +%s) - start )) s"
