#!/bin/sh
# Checks the Debian package that `make package` built: the files it must hold, the dependencies
# read from the programs, and the desktop files against the validators Debian ships.
#
#   scripts/check-package.sh [BUILD_DIR]
set -eu

BUILD_DIR=${1:-build}
fail() { echo "check-package: $*" >&2; exit 1; }

set -- "$BUILD_DIR"/kavrin_*_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one kavrin_*.deb in $BUILD_DIR, found: $*"
DEB=$1
echo "check-package: $DEB"

LIST=$(dpkg-deb -c "$DEB" | awk '{print $NF}')
for f in \
    ./usr/bin/kavrin \
    ./usr/bin/kavrin-cli \
    ./usr/share/applications/kavrin.desktop \
    ./usr/share/mime/packages/kavrin.xml \
    ./usr/share/icons/hicolor/scalable/apps/kavrin.svg \
    ./usr/share/man/man1/kavrin-cli.1.gz; do
    echo "$LIST" | grep -qxF "$f" || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
    echo "$LIST" | grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/kavrin.png" ||
        fail "missing the ${size}x${size} icon"
done
echo "$LIST" | grep -q '^\./usr/share/metainfo/.*\.metainfo\.xml$' || fail "missing the metainfo"

DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "check-package: Depends: $DEPENDS"
for lib in libqt6widgets6 libqt6serialport6; do
    echo "$DEPENDS" | grep -q "$lib" || fail "Depends lacks $lib"
done

ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT"
SHARE=$ROOT/usr/share

desktop-file-validate "$SHARE/applications/kavrin.desktop"
appstreamcli validate --no-net "$SHARE"/metainfo/*.metainfo.xml
xmllint --noout "$SHARE/mime/packages/kavrin.xml"
# The type must compile into a database, with its content rule.
update-mime-database "$SHARE/mime"
grep -q 'application/x-kavrin' "$SHARE/mime/magic" || fail "the .kvn content rule was dropped"
xmllint --noout "$SHARE/icons/hicolor/scalable/apps/kavrin.svg"
for size in 16 256; do
    file "$SHARE/icons/hicolor/${size}x${size}/apps/kavrin.png" | grep -q "$size x $size" ||
        fail "the ${size}x${size} icon has the wrong size"
done
# groff's warnings about the manual page's markup, as lintian reads them.
WARNINGS=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l "$ROOT/usr/share/man/man1/kavrin-cli.1.gz" 2>&1 >/dev/null)
[ -z "$WARNINGS" ] || fail "manual page: $WARNINGS"
echo "check-package: all good"
