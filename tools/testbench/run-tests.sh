#!/usr/bin/env bash
# Runs test suites side by side and reports one line a suite, with its tests
# and the GoogleTest cases they ran; a failing suite's whole output follows
# its line. Logs go to build/logs/NAME.log.
#   run-tests.sh [--debian13 ROOT --prefixes HOST_PREFIXES:PREFIXES] SUITE... [-- NAME COMMAND...]...
# A SUITE is a CMake preset: its CTest suite, a Windows one under Xvfb. A
# preset's name with -wine10 after it is that preset's suite run inside the
# Debian 13 root (tools/testbench/debian-root.sh), where HOST_PREFIXES is
# seen at PREFIXES, so that its tests run in Wine prefixes of that Wine's.
# After each --, a NAME and a COMMAND that is one test, passing when it
# exits 0.
set -uo pipefail
cd "$(dirname "$0")/../.."
set -a
source tools/testbench/wine.env
set +a

logs=build/logs
mkdir -p "$logs"

in_debian13=()
if [[ ${1:-} == --debian13 ]]; then
    in_debian13=(tools/testbench/debian-root.sh run "$2" "$3" "$4")
    shift 4
fi

run_preset() {  # PRESET
    local preset=${1%-wine10} inside=() options=()
    # The checks of the files themselves are the same on every bench.
    [[ $1 == *-wine10 ]] && inside=("${in_debian13[@]}") options=(--label-exclude files)
    case $preset in
        # Four at once: the tests mostly wait on Wine, and a program that
        # starts a prefix's desktop holds its CTest slot until the desktop
        # ends, with the prefix's last program.
        windows*) "${inside[@]}" xvfb-run -a ctest --preset "$preset" "${options[@]}" --verbose -j 4 ;;
        *) ctest --preset "$preset" --verbose -j 2 ;;
    esac
}

run_command() {  # COMMAND...
    if "$@"; then echo "tests passed, 0 tests failed out of 1"; else echo "tests passed, 1 tests failed out of 1"; false; fi
}

names=()
declare -A pids
start() {  # NAME RUNNER ARGUMENTS...
    local name=$1 began=$SECONDS
    shift
    { "$@"; code=$?; echo $((SECONDS - began)) >"$logs/$name.seconds"; exit $code; } >"$logs/$name.log" 2>&1 &
    pids[$name]=$!
    names+=("$name")
}

while [[ $# -gt 0 && $1 != -- ]]; do
    start "$1" run_preset "$1"
    shift
done
while [[ $# -gt 0 ]]; do  # at a --
    shift
    name=$1 command=()
    shift
    while [[ $# -gt 0 && $1 != -- ]]; do command+=("$1"); shift; done
    start "$name" run_command "${command[@]}"
done

passed=0 failed=0 status=0
for name in "${names[@]}"; do
    wait "${pids[$name]}"; code=$?
    log=$logs/$name.log
    # CTest's summary: "100% tests passed, 0 tests failed out of 7".
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests* failed out of.*/\1/p' "$log" | tail -n 1)
    total=${total:-0} bad=${bad:-0}
    [[ $code -ne 0 && $bad -eq 0 ]] && bad=1
    passed=$((passed + total - bad)) failed=$((failed + bad))
    seconds=$(cat "$logs/$name.seconds" 2>/dev/null || echo '?')
    # GoogleTest's summary of each program run: "[  PASSED  ] 47 tests."
    cases=$(awk '/\[  PASSED  \] [0-9]+ tests?\./ { sum += $(NF - 1) } END { if (sum) print sum }' "$log")
    if [[ $code -eq 0 && $total -gt 0 ]]; then
        printf '%-18s %3d passed  %s(%s s)\n' "$name" "$total" "${cases:+($cases cases) }" "$seconds"
    else
        status=1
        printf '%-18s FAILED: %d of %d  (%s s); its output:\n' "$name" "$bad" "$total" "$seconds"
        sed 's/^/  | /' "$log"
    fi
done
echo "$passed passed, $failed failed"
exit $status
