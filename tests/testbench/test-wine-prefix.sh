#!/usr/bin/env bash
# A Wine prefix belongs to the Wine that made it (tools/testbench/wine-prefix.sh):
#   test-wine-prefix.sh PREFIX SCRATCH_PREFIX [broken-too]
# copies PREFIX (a 64-bit prefix with a virtual desktop, not in use) and
# alters the copy's record of the Wine that made it; with broken-too, then
# takes its 32-bit kernel32.dll away (as a Wine without wine32 leaves it).
# Each time the next run makes the prefix again, says why, and the prefix
# starts programs. (Each making takes a wineboot, some 15 s: make test
# alters the record only.)
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
wine_prefix=$root/tools/testbench/wine-prefix.sh
source=$1 prefix=$(realpath -m "$2") request="$(realpath -m "$2"),virtual-desktop" broken_too=${3:-}
record=$prefix/mirvel-prefix.txt

source "$root/tests/checks.sh"
needs "$source"
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
rm -rf "$prefix"

ensure() { "$wine_prefix" "$request" >"$prefix.out" 2>&1; }
said() { grep -qF "$1" "$prefix.out"; }
starts() { "$wine_prefix" --starts-programs "$prefix"; }  # both kinds of program
made_again() { [[ ! -e $prefix/old-prefix ]]; }

cp -a "$source" "$prefix" || { echo "FAILED: cannot copy $source"; exit 1; }
touch "$prefix/old-prefix"
check "a prefix of the Wine installed now is kept" ensure
check "  as it is" test -e "$prefix/old-prefix"

sed -i 's/^wine: .*/wine: wine-7.0 (an older Wine)/' "$record"
check "a prefix whose record names another Wine" ensure
check "  is made again" made_again
check "  saying why" said "it was made with another Wine or other options"
check "  and starts programs" starts

if [[ $broken_too == broken-too ]]; then
    touch "$prefix/old-prefix"
    rm -f "$prefix/drive_c/windows/syswow64/kernel32.dll"
    check "a prefix that cannot start a 32-bit program" ensure
    check "  is made again" made_again
    check "  saying why" said "it no longer starts programs"
    check "  and starts programs" starts
fi

rm -f "$prefix.out"
checks_done "wine prefix"
