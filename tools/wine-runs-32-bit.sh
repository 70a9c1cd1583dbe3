#!/usr/bin/env bash
# Whether this machine's Wine runs 32-bit Windows programs:
#   wine-runs-32-bit.sh PREFIX PROGRAM.exe ANSWER_FILE
# PROGRAM is a 32-bit GoogleTest program; it must list its tests. (Without
# wine32, Wine 8 may start it in an experimental mode that prints nothing
# and still exits 0, so the exit code alone proves nothing.) The answer is
# kept in ANSWER_FILE for as long as the installed Wine stays the same.
set -uo pipefail
prefix=$1 program=$2 answer_file=$3

installed=$(dpkg-query -W -f='${Package} ${Version};' wine wine64 wine32 2>/dev/null)
if [[ -f $answer_file && $(head -n 1 "$answer_file") == "$installed" ]]; then
    [[ $(tail -n 1 "$answer_file") == yes ]]
    exit
fi

export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
listing=$(xvfb-run -a timeout 60 wine "$program" --gtest_list_tests 2>/dev/null)
wineserver -w  # the next run of this prefix starts afresh, with its own display
answer=no
grep -q '^[A-Za-z]' <<<"$listing" && answer=yes
printf '%s\n%s\n' "$installed" "$answer" >"$answer_file"
[[ $answer == yes ]]
