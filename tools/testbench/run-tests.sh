#!/usr/bin/env bash
# Runs the CTest suites of the given presets side by side and reports one
# line a suite, with its CTest tests and the GoogleTest cases they ran; a
# failing suite's whole output follows its line.
#   run-tests.sh PRESET[=WINE_PREFIX] ... [NAME:COMMAND] ...
# A preset given a Wine prefix runs under Xvfb in that prefix; NAME:COMMAND
# is a test script of its own, one test that passes when it exits 0.
set -uo pipefail
cd "$(dirname "$0")/../.."
set -a
source tools/testbench/wine.env
set +a

logs=build/logs
mkdir -p "$logs"

run_suite() {  # PRESET [PREFIX], or NAME COMMAND
    local preset=$1 prefix=${2:-}
    if [[ $preset == *:* ]]; then
        bash -c "${preset#*:}" && echo "tests passed, 0 tests failed out of 1" ||
            { echo "tests passed, 1 tests failed out of 1"; return 1; }
    elif [[ -n $prefix ]]; then
        # Four at once: the tests mostly wait on Wine, and a program that
        # starts a prefix's desktop holds its CTest slot until the desktop
        # ends, with the prefix's last program.
        WINEPREFIX=$prefix xvfb-run -a ctest --preset "$preset" --verbose -j 4
    else
        ctest --preset "$preset" --verbose -j 2
    fi
}

declare -A pids started
name_of() { local name=${1%%[=:]*}; echo "$name"; }
for suite in "$@"; do
    preset=$(name_of "$suite")
    prefix=; [[ $suite != *:* && $suite == *=* ]] && prefix=${suite#*=}
    started[$preset]=$SECONDS
    { if [[ $suite == *:* ]]; then run_suite "$suite"; else run_suite "$preset" "$prefix"; fi; code=$?; echo $((SECONDS - started[$preset])) >"$logs/$preset.seconds"; exit $code; } \
        >"$logs/$preset.log" 2>&1 &
    pids[$preset]=$!
done

passed=0 failed=0 status=0
for suite in "$@"; do
    preset=$(name_of "$suite")
    wait "${pids[$preset]}"; code=$?
    log=$logs/$preset.log
    # CTest's summary: "100% tests passed, 0 tests failed out of 7".
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests* failed out of.*/\1/p' "$log" | tail -n 1)
    total=${total:-0} bad=${bad:-0}
    [[ $code -ne 0 && $bad -eq 0 ]] && bad=1
    passed=$((passed + total - bad)) failed=$((failed + bad))
    seconds=$(cat "$logs/$preset.seconds" 2>/dev/null || echo '?')
    # GoogleTest's summary of each program run: "[  PASSED  ] 47 tests."
    cases=$(awk '/\[  PASSED  \] [0-9]+ tests?\./ { sum += $(NF - 1) } END { if (sum) print sum }' "$log")
    if [[ $code -eq 0 && $total -gt 0 ]]; then
        printf '%-16s %3d passed  %s(%s s)\n' "$preset" "$total" "${cases:+($cases cases) }" "$seconds"
    else
        status=1
        printf '%-16s FAILED: %d of %d  (%s s); its output:\n' "$preset" "$bad" "$total" "$seconds"
        sed 's/^/  | /' "$log"
    fi
done
echo "$passed passed, $failed failed"
exit $status
