# The checks of the shell-script tests (packages, installers, signing),
# sourced by each: one line a check, "ok: …" or "FAILED: …", and a count.
checks=0 failures=0

# Runs COMMAND and notes whether it succeeded: check WHAT COMMAND...
# What a failed command printed follows its line, to go on.
check() {
    local what=$1 output
    shift
    checks=$((checks + 1))
    if output=$("$@" 2>&1); then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        [[ -z $output ]] || sed 's/^/    /' <<<"$output"
        failures=$((failures + 1))
    fi
}

# Succeeds when COMMAND fails: check WHAT fails COMMAND...
fails() { ! "$@"; }

# A failure that leaves nothing further worth checking.
fail_now() {
    echo "FAILED: $*"
    exit 1
}

# The last line, and the script's status: checks_done NAME
checks_done() {
    echo "$1: $failures of $checks checks failed"
    [[ $failures -eq 0 ]]
}
