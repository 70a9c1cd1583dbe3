#!/usr/bin/env bash
# The second bench: a Debian 13 (trixie) root holding the Wine that school
# Linux desktops run now (Wine 10, 64- and 32-bit), made once by mmdebstrap
# from the Debian mirror (and proxy) this machine's apt uses, http or https,
# and entered with bubblewrap, which leaves no mount behind.
#   debian-root.sh ensure ROOT     makes ROOT, again when the packages below change
#   debian-root.sh run ROOT COMMAND...
#       runs COMMAND in ROOT, in this folder, with the project's folder where
#       it is outside, and a network of its own: an X server inside never
#       meets one of the same number outside, nor another run's
set -euo pipefail
project=$(realpath "$(dirname "$0")/../..")
# ctest (in cmake) runs the suites inside, as outside.
packages=(wine wine64 wine32:i386 fonts-wine xvfb xauth cmake)
record="trixie: ${packages[*]}"

ensure() {
    local root=$1 sudo=()
    [[ $(cat "$root/mirvel-root.txt" 2>/dev/null) == "$record" ]] && return 0
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    local release mirror proxy
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    # Debian's own archive, never another origin's repository of the same codename.
    mirror=$(apt-get indextargets --format '$(REPO_URI)' "Codename: $release" 'Origin: Debian' 'Label: Debian' \
        'Identifier: Packages' | head -n 1)
    [[ -n $mirror ]] || { echo "debian-root.sh: apt names no Debian mirror of $release" >&2; exit 1; }
    proxy=$( (apt-config dump --format '%f "%v";%n' Acquire::http::Proxy
              apt-config dump --format '%f "%v";%n' Acquire::https::Proxy) | tr '\n' ' ')
    echo "debian-root.sh: making a Debian 13 root in $root from $mirror (once; some minutes)"
    "${sudo[@]}" rm -rf "$root" "$root.new"
    mkdir -p "$(dirname "$root")"
    # The packages by the project's own installer, with its patience for a
    # mirror caught mid-sync.
    # Apt inside trusts the certificates this machine's apt does, to reach an https mirror.
    "${sudo[@]}" mmdebstrap --quiet --variant=apt --architectures=amd64,i386 --include=ca-certificates \
        ${proxy:+--aptopt="$proxy"} \
        --customize-hook="copy-in /etc/ssl/certs/ca-certificates.crt /etc/ssl/certs" \
        --customize-hook="copy-in $project/tools/testbench/ensure-packages.sh /usr/local/bin" \
        --customize-hook="chroot \"\$1\" ensure-packages.sh ${packages[*]}" \
        --customize-hook='chroot "$1" apt-get clean' \
        trixie "$root.new" "$mirror"
    echo "$record" | "${sudo[@]}" tee "$root.new/mirvel-root.txt" >/dev/null
    "${sudo[@]}" mv "$root.new" "$root"
}

run() {
    local root=$1
    shift
    bwrap --bind "$root" / --proc /proc --dev /dev --perms 1777 --tmpfs /tmp --tmpfs /run \
        --unshare-pid --unshare-ipc --unshare-net --die-with-parent \
        --setenv HOME /tmp --bind "$project" "$project" --chdir "$PWD" -- "$@"
}

case ${1:-} in
    ensure) ensure "$2" ;;
    run) shift; run "$@" ;;
    *) sed -n '2,11s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
