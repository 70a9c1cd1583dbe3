#!/usr/bin/env bash
# tools/testbench/ensure-packages.sh against a mirror caught mid-sync, played
# by stand-ins for apt-get, dpkg, dpkg-query, sleep and sudo: nothing real is
# installed.
#   test-ensure-packages.sh SCRATCH_DIR
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
scratch=$(realpath -m "$1")
source "$root/tests/checks.sh"
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $release ]] || fail_now "/etc/os-release names no VERSION_CODENAME"

rm -rf "$scratch" && mkdir -p "$scratch/bin" || fail_now "cannot make $scratch"
trap 'rm -rf "$scratch"' EXIT
calls=$scratch/calls
stand_in() {  # NAME BODY: a command that notes its arguments, then runs BODY
    printf '#!/usr/bin/env bash\necho "%s $*" >>"%s"\n%s\n' "$1" "$calls" "$2" >"$scratch/bin/$1"
    chmod +x "$scratch/bin/$1"
}
stand_in dpkg-query 'exit 1'
stand_in dpkg '[[ $1 == --print-architecture ]] && echo amd64; exit 0'
stand_in sleep 'exit 0'
stand_in sudo 'exec "$@"'
stand_in apt-get "
case \" \$* \" in
    *' update '*)
        echo 'E: Failed to fetch http://mirror.example/debian-security/dists/$release-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?' >&2
        echo 'E: Some index files failed to download. They have been ignored, or old ones used instead.' >&2
        exit 100 ;;
    *' no-such-package '*)
        echo 'E: Unable to locate package no-such-package' >&2; exit 100 ;;
    *' -t $release '*)
        [[ \" \$* \" == *' wants-a-removal '* ]] && echo 'Remv old-library [1.0]'
        echo 'Inst wine32:i386'; exit 0 ;;
    *)
        echo 'The following packages have unmet dependencies:'
        echo ' libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not installable'
        echo 'E: Unable to correct problems, you have held broken packages.' >&2
        exit 100 ;;
esac"

out=$scratch/out
ensure() { : >"$calls"; PATH=$scratch/bin:$PATH "$root/tools/testbench/ensure-packages.sh" "$@" >"$out" 2>&1; }
said() { grep -qF -- "$1" "$out"; }
called() { grep -qE -- "$1" "$calls"; }
count_of() { grep -cE -- "$1" "$calls"; }
# Every install goes with --no-remove, or is only a simulation, and nothing
# else asks apt to remove anything.
removes_nothing() {
    ! grep -E '^apt-get .*(remove|purge|autoremove)' "$calls" | grep -qvE -- '--no-remove|--simulate' &&
        ! grep -E '^apt-get .* install ' "$calls" | grep -qvE -- '--no-remove|--simulate'
}

check "missing packages are installed through a failing index and an unresolvable newest suite" \
    ensure mirvel-stand-in wine32-stand-in:i386
check "  the update is tried three times" test "$(count_of '^apt-get update')" -eq 3
check "  with a pause between tries" test "$(count_of '^sleep ')" -eq 2
check "  the index that failed is named" said "http://mirror.example/debian-security/dists/$release-security/main/binary-i386/Packages.xz"
check "  the foreign architecture is added" called '^dpkg --add-architecture i386$'
check "  the install is from the release's own suite" called "^apt-get install -y .*--no-remove -t $release mirvel-stand-in"
check "  saying so" said "installing from $release, the installed release's own suite"
check "  and why, in apt's words" said "libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386"
check "  nothing is asked to be removed" removes_nothing

check "a package that does not exist is not installed" fails ensure mirvel-stand-in no-such-package
check "  saying so in apt's words" said "E: Unable to locate package no-such-package"
check "  and nothing is installed" fails called '^apt-get install -y'

check "an install that would remove a package is refused" fails ensure wants-a-removal
check "  naming the package" said "would remove old-library"
check "  and nothing is installed" fails called '^apt-get install -y'

stand_in dpkg-query "echo 'install ok installed'"
check "packages all installed ask nothing of apt" ensure mirvel-stand-in
check "  and nothing is installed" fails called '^apt-get'

checks_done "package installs"
