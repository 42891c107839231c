#!/bin/sh
# Tests the cross-built Windows programs under Wine:
#   1. the test suites, through ctest (CMAKE_CROSSCOMPILING_EMULATOR is wine);
#   2. kavrin-cli.exe against the native kavrin-cli: the same bytes and exit code for show,
#      generate, compile (image, blocks, listing, errors), run --trace and simulate on the
#      sample programs;
#   3. a download from kavrin-cli.exe --port COM9 through real Win32 serial calls: Wine maps
#      COM9 to a pseudo-terminal that the native `kavrin-cli sim-pty` serves;
#   4. with the desktop program built: kavrin.exe --screenshots writes the pictures, and the
#      setup program installs and uninstalls silently.
#
#   scripts/windows-test.sh [--core]    --core: the build of `build-windows.sh --core`
#   KAVRIN_WINEPREFIX   Wine's folder (default ~/.cache/kavrin/wine, made on first use)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
HOST="${KAVRIN_HOST_BUILD_DIR:-$ROOT/build}"
DIR="$ROOT/build-windows"
[ "${1:-}" = "--core" ] && DIR="$ROOT/build-windows-core"
export WINEPREFIX="${KAVRIN_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/kavrin/wine}"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "windows-test: FAIL $*" >&2; failures=$((failures + 1)); }

start=$(date +%s)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    # Wine has no Arial, which the windows ask for: Liberation Sans has its metrics.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
        /d "Liberation Sans" /f >/dev/null 2>&1
    # A new prefix goes on being set up after wineboot returns; a test started meanwhile has
    # been seen to fail at once, without a word.
    wineserver -w
fi
# (Set on every run, so that a prefix made before it gets it too.)
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /t REG_SZ \
    /d "Liberation Mono" /f >/dev/null 2>&1
# Windows' font folder holds Arial; Wine's is empty. Drawing without a display reads the fonts
# from there, so it gets Liberation Sans, which has Arial's metrics.
# Courier New, which the code view asks for, is Liberation Mono's metrics in the same way.
ln -sf /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf \
    /usr/share/fonts/truetype/liberation2/LiberationMono-*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# One server for every run below, started by a first program alone: programs started in
# parallel on a cold server have been seen to hang.
wineserver -p 60 >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true

# 1. The suites.
(cd "$DIR" && ctest --output-on-failure -j2) || fail "ctest"

# 2. Same bytes as the native program. Both run from the tree's root on the same relative paths;
# each gets its own EEPROM file so that neither sees the other's downloads.
compare() {
    label=$1
    shift
    KAVRIN_SIM_EEPROM="$WORK/linux.eeprom" "$HOST/kavrin-cli" "$@" >"$WORK/linux.out" 2>"$WORK/linux.err" &&
        echo 0 >"$WORK/linux.rc" || echo $? >"$WORK/linux.rc"
    for _ in 1 2; do
        KAVRIN_SIM_EEPROM="$WORK/win.eeprom" wine "$DIR/kavrin-cli.exe" "$@" >"$WORK/win.out" 2>"$WORK/win.err" &&
            echo 0 >"$WORK/win.rc" || echo $? >"$WORK/win.rc"
        # Once in many runs here, Wine ended a program at its start with status 1 and nothing
        # written; such a run gets a second try. A program's own failure always says something.
        [ "$(cat "$WORK/win.rc")" = 0 ] || [ -s "$WORK/win.out" ] || [ -s "$WORK/win.err" ] || continue
        break
    done
    for part in out err rc; do
        cmp -s "$WORK/linux.$part" "$WORK/win.$part" || fail "$label: std$part differs" \
            "($(head -c 200 "$WORK/win.$part" | tr '\n' ' '))"
    done
    compared=$((compared + 1))
}
compared=0
cd "$ROOT"
# The fuzzing seeds are action programs behind one selector byte.
tail -c +2 tests/data/fuzz-kvn/beginner.kvn >"$WORK/beginner.kvn"
tail -c +2 tests/data/fuzz-kvn/advanced.kvn >"$WORK/advanced.kvn"
for program in "$WORK/beginner.kvn" "$WORK/advanced.kvn --advanced"; do
    # shellcheck disable=SC2086
    set -- $program
    compare "show $*" show "$@"
    compare "generate $*" generate "$@"
    compare "run --trace $*" run "$@" --trace --seconds 2
    compare "simulate $*" simulate "$@"
done
# Names outside the ANSI code page (a pupil's Greek "Documents" folder): read, written and named
# in messages as they are.
GREEK="$WORK/Έγγραφα"
mkdir -p "$GREEK"
cp "$WORK/beginner.kvn" "$GREEK/μαθητής.kvn"
compare "show in a Greek folder" show "$GREEK/μαθητής.kvn"
compare "simulate in a Greek folder" simulate "$GREEK/μαθητής.kvn" --mission square
compare "show of a missing Greek name" show "$GREEK/λείπει.kvn"
# (The judge joins folder and file with the system's separator, so its lines differ by that.)
wine "$DIR/kavrin-cli.exe" judge --mission square "$GREEK" --csv "$GREEK/τάξη.csv" >/dev/null 2>&1 || true
grep -q 'μαθητής.kvn,square,' "$GREEK/τάξη.csv" 2>/dev/null || fail "judge of a Greek folder: no row in its CSV"
wine "$DIR/kavrin-cli.exe" compile "$(ls tests/data/fuzz/*.src | head -n 1)" --image "$GREEK/εικόνα.img" \
    >/dev/null 2>&1
[ -s "$GREEK/εικόνα.img" ] || fail "compile --image into a Greek folder wrote nothing there"
for src in tests/data/fuzz/*.src; do
    compare "compile --blocks $src" compile "$src" --blocks
    compare "compile --listing $src" compile "$src" --listing
    compare "run --trace $src" run "$src" --trace --seconds 1
    rm -f "$WORK/linux.img" "$WORK/win.img"
    "$HOST/kavrin-cli" compile "$src" --image "$WORK/linux.img" >/dev/null 2>&1 || true
    wine "$DIR/kavrin-cli.exe" compile "$src" --image "$WORK/win.img" >/dev/null 2>&1 || true
    if [ -f "$WORK/linux.img" ] || [ -f "$WORK/win.img" ]; then
        cmp -s "$WORK/linux.img" "$WORK/win.img" || fail "compile --image $src: images differ"
    fi
done
echo "windows-test: $compared command-line runs compared with the native build"

# The language: the "Language" value in the settings' registry key, then --language over it.
SETTINGS='HKCU\SOFTWARE\Tessaly\Kavrin\1.0'
printf 'zone A 1 1 5 5\nreach B\n' >"$WORK/wrong.mission"
wine reg add "$SETTINGS" /v Language /t REG_SZ /d el /f >/dev/null 2>&1
wine "$DIR/kavrin-cli.exe" simulate --held --mission "$WORK/wrong.mission" 2>&1 |
    grep -q 'άγνωστη ζώνη "B"' || fail "the Language value el in the registry gave no Greek"
wine "$DIR/kavrin-cli.exe" --language en simulate --held --mission "$WORK/wrong.mission" 2>&1 |
    grep -q 'unknown zone "B"' || fail "--language en did not win over the registry"
wine reg delete "$SETTINGS" /v Language /f >/dev/null 2>&1 || true
echo "windows-test: the language follows the registry setting and --language"

# 3. A download through Wine's COM9, served by the native virtual robot on a pseudo-terminal.
mkfifo "$WORK/hold"
"$HOST/kavrin-cli" sim-pty --stdin <"$WORK/hold" >"$WORK/pty" 2>&1 &
server=$!
exec 9>"$WORK/hold"  # the server stops when this closes
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s "$WORK/pty" ] && break; sleep 0.2; done
# Wine maps the ports listed here to devices and enters them in SERIALCOMM when it starts.
PORTS='HKLM\Software\Wine\Ports'
wineserver -k >/dev/null 2>&1 || true
wine reg add "$PORTS" /v COM9 /t REG_SZ /d "$(head -n 1 "$WORK/pty")" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true
wine "$DIR/kavrin-cli.exe" ports | grep -qx COM9 || fail "COM9 is not in kavrin-cli.exe's port list"
if KAVRIN_SIM_EEPROM="$WORK/com9.eeprom" timeout 120 wine "$DIR/kavrin-cli.exe" download \
        "$WORK/beginner.kvn" --port COM9 >"$WORK/com9.out" 2>&1; then
    echo "windows-test: download through COM9 reached the virtual robot"
else
    fail "download through COM9: $(tr '\n' ' ' <"$WORK/com9.out")"
fi
exec 9>&-
wait "$server" 2>/dev/null || true
wine reg delete "$PORTS" /v COM9 /f >/dev/null 2>&1 || true

# 4. The desktop program draws its windows.
if [ -f "$DIR/kavrin.exe" ]; then
    mkdir -p "$WORK/shots"
    timeout 300 wine "$DIR/kavrin.exe" --screenshots "$WORK/shots" >/dev/null 2>&1 ||
        fail "kavrin.exe --screenshots"
    count=$(find "$WORK/shots" -name '*.png' | wc -l)
    [ "$count" -gt 0 ] || fail "kavrin.exe --screenshots wrote no picture"
    # Every picture the native program draws (a crash part way has been seen to exit with 0).
    if [ -x "$HOST/kavrin" ]; then
        mkdir -p "$WORK/native-shots"
        "$HOST/kavrin" --screenshots "$WORK/native-shots" >/dev/null 2>&1 || true
        missing=$(cd "$WORK/native-shots" && for f in *.png; do
            [ -f "$WORK/shots/$f" ] || printf ' %s' "$f"
        done)
        [ -z "$missing" ] || fail "kavrin.exe --screenshots did not draw:$missing"
    fi
    echo "windows-test: kavrin.exe drew $count pictures"
fi

# 5. The setup program, silently in and out again.
SETUP=$(find "$DIR" -maxdepth 1 -name 'kavrin-*-setup.exe' | head -n 1)
if [ -n "$SETUP" ]; then
    PROGRAMS="$WINEPREFIX/drive_c/Program Files/Kavrin"
    CLASS='HKLM\Software\Classes\Kavrin.Program\shell\open\command'
    timeout 300 wine "$SETUP" /S && wineserver -w || fail "setup /S"
    [ -f "$PROGRAMS/kavrin.exe" ] && [ -f "$PROGRAMS/kavrin-cli.exe" ] || fail "setup: programs missing"
    wine reg query "$CLASS" >/dev/null 2>&1 || fail "setup: no .kvn association"
    timeout 300 wine 'C:\Program Files\Kavrin\uninstall.exe' /S && wineserver -w ||
        fail "uninstall /S"
    [ ! -e "$PROGRAMS" ] || fail "uninstall left $PROGRAMS"
    ! wine reg query "$CLASS" >/dev/null 2>&1 || fail "uninstall left the .kvn association"
    echo "windows-test: the setup program installed and uninstalled silently"
fi

echo "windows-test: $(( $(date +%s) - start )) s"
wineserver -k >/dev/null 2>&1 || true
if [ "$failures" -gt 0 ]; then
    echo "windows-test: $failures check(s) failed" >&2
    exit 1
fi
echo "windows-test: all checks passed"
