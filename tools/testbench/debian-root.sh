#!/usr/bin/env bash
# The second bench: a Debian 13 (trixie) root holding the Wine that school
# Linux desktops run now (Wine 10, 64- and 32-bit), made once with
# debootstrap and entered with bubblewrap, which leaves no mount behind.
#   debian-root.sh ensure ROOT
#       makes ROOT, or makes it again when the list of packages below changed
#   debian-root.sh run ROOT [--prefixes HOST_DIR:DIR] COMMAND...
#       runs COMMAND in ROOT, in this folder, with the project's folder where
#       it is outside; --prefixes shows HOST_DIR at DIR there, so that the
#       same paths name this bench's own Wine prefixes
set -euo pipefail
project=$(realpath "$(dirname "$0")/../..")
me=debian-root.sh

suite=trixie
mirror=http://deb.debian.org/debian
# ctest (in cmake) runs the suites inside, as outside.
packages=(wine wine64 wine32:i386 fonts-wine xvfb xauth cmake)
record_name=mirvel-root.txt

record() { printf 'suite: %s\npackages: %s\n' "$suite" "${packages[*]}"; }

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

ensure() {
    local root=$1
    if [[ -f $root/$record_name && "$(cat "$root/$record_name")" == "$(record)" ]]; then
        return 0
    fi
    if [[ -e $root ]]; then
        echo "$me: $root was made with other packages; making it again"
        "${sudo[@]}" rm -rf "$root"
    fi
    local new=$root.new
    "${sudo[@]}" rm -rf "$new"
    mkdir -p "$(dirname "$root")"
    echo "$me: making a Debian $suite root in $root (once; some minutes)"
    "${sudo[@]}" debootstrap --variant=minbase "$suite" "$new" "$mirror" >"$new.log" 2>&1 ||
        { echo "$me: debootstrap failed; its log: $new.log" >&2; tail -n 5 "$new.log" >&2; exit 1; }
    # The same installer as outside, with the same patience for a mirror
    # caught mid-sync.
    "${sudo[@]}" "$0" run "$new" --as-root tools/testbench/ensure-packages.sh "${packages[@]}"
    "${sudo[@]}" "$0" run "$new" --as-root apt-get clean
    record | "${sudo[@]}" tee "$new/$record_name" >/dev/null
    "${sudo[@]}" mv "$new" "$root"
    rm -f "$new.log"
    echo "$me: $root holds $("$0" run "$root" wine --version)"
}

run() {
    local root=$1
    shift
    local options=(--bind "$project" "$project" --chdir "$PWD")
    while [[ $# -gt 0 ]]; do
        case $1 in
            --prefixes) mkdir -p "${2%%:*}"; options+=(--bind "${2%%:*}" "${2#*:}"); shift 2 ;;
            # bubblewrap keeps a root's capabilities only when asked; dpkg needs them.
            --as-root) options+=(--cap-add ALL); shift ;;
            *) break ;;
        esac
    done
    bwrap --bind "$root" / --proc /proc --dev /dev --perms 1777 --tmpfs /tmp --tmpfs /run \
        --ro-bind /etc/resolv.conf /etc/resolv.conf --unshare-pid --unshare-ipc --die-with-parent \
        --setenv HOME /tmp "${options[@]}" -- "$@"
}

case ${1:-} in
    ensure) ensure "$2" ;;
    run) shift; run "$@" ;;
    *) sed -n '2,10s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
