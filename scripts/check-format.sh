#!/bin/sh
# Fails when clang-format (Debian's, as .clang-format expects) would change a C++ file that git
# tracks, and names the files; `git ls-files '*.cpp' '*.h' | xargs clang-format -i` mends them.
set -eu
cd "$(dirname "$0")/.."
if git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>/tmp/kavrin-format.$$; then
    rm -f /tmp/kavrin-format.$$
    exit 0
fi
grep -o '^[^:]*\.\(cpp\|h\)' /tmp/kavrin-format.$$ | sort -u | sed 's/^/needs clang-format: /' >&2
rm -f /tmp/kavrin-format.$$
exit 1
