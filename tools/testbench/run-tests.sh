#!/usr/bin/env bash
# Runs CTest presets side by side, each into its log (build/logs/PRESET.log),
# then shows what each one said at its end: CTest's own closing lines, or
# its whole log where it failed.
#   run-tests.sh [--debian13 ROOT --prefixes HOST_PREFIXES:PREFIXES] PRESET...
# The Windows presets run under Xvfb; one whose name ends in -wine10 runs
# inside the Debian 13 root (tools/testbench/debian-root.sh), where
# HOST_PREFIXES is seen at PREFIXES, so that its tests run in Wine prefixes
# of that Wine's.
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
    local inside=()
    [[ $1 == *-wine10 ]] && inside=("${in_debian13[@]}")
    case $1 in
        # Four at once: the tests mostly wait on Wine, and a program that
        # starts a prefix's desktop holds its CTest slot until the desktop
        # ends, with the prefix's last program.
        windows*) "${inside[@]}" xvfb-run -a ctest --preset "$1" --verbose -j 4 ;;
        *) ctest --preset "$1" --verbose -j 2 ;;
    esac
}

declare -A pids
for preset; do
    { began=$SECONDS; run_preset "$preset"; code=$?; echo $((SECONDS - began)) >"$logs/$preset.seconds"; exit $code; } \
        >"$logs/$preset.log" 2>&1 &
    pids[$preset]=$!
done

status=0
for preset; do
    wait "${pids[$preset]}" && code=0 || code=$?
    echo "== $preset ($(cat "$logs/$preset.seconds" 2>/dev/null || echo '?') s), $logs/$preset.log"
    if [[ $code -eq 0 ]]; then
        sed -n '/tests passed, /,$p' "$logs/$preset.log"
    else
        status=1
        sed 's/^/  | /' "$logs/$preset.log"
    fi
done
exit $status
