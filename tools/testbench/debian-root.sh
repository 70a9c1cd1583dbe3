#!/usr/bin/env bash
# The second bench: a Debian 13 root with the Wine school Linux desktops run
# now (Wine 10, 64- and 32-bit), made once by mmdebstrap from this machine's
# Debian mirror (http or https), entered with bubblewrap, which leaves no
# mount behind. It lives in MIRVEL_DEBIAN13_ROOT, or ~/.cache/mirvel/debian13-root.
#   debian-root.sh ensure          makes it, again when the packages below change
#   debian-root.sh run COMMAND...  runs COMMAND in it, in this folder, with the
#       project's folder where it is outside, and a network of its own: an X
#       server inside never meets one of the same number outside, nor another run's
#   debian-root.sh try COMMAND...  the same, as root, in a copy thrown away
#       after (an overlay): what COMMAND installs leaves the root as it was
set -euo pipefail
project=$(realpath "$(dirname "$0")/../..")
root=${MIRVEL_DEBIAN13_ROOT:-$HOME/.cache/mirvel/debian13-root}
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
# ctest (in cmake) runs the suites inside, as outside.
packages=(wine wine64 wine32:i386 fonts-wine xvfb xauth cmake)
record="trixie, with its package lists: ${packages[*]}"

ensure() {
    [[ $(cat "$root/mirvel-root.txt" 2>/dev/null) == "$record" ]] && return 0
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
    # Apt inside trusts what this machine's apt does (for an https mirror) and
    # keeps its lists (to say what a package would bring); the packages come
    # by the project's installer, patient with a mirror caught mid-sync.
    "${sudo[@]}" mmdebstrap --quiet --variant=apt --architectures=amd64,i386 --include=ca-certificates \
        --skip=cleanup/apt/lists \
        ${proxy:+--aptopt="$proxy"} \
        --customize-hook="copy-in /etc/ssl/certs/ca-certificates.crt /etc/ssl/certs" \
        --customize-hook="copy-in $project/tools/testbench/ensure-packages.sh /usr/local/bin" \
        --customize-hook="chroot \"\$1\" ensure-packages.sh ${packages[*]}" \
        --customize-hook='chroot "$1" apt-get clean' \
        trixie "$root.new" "$mirror"
    echo "$record" | "${sudo[@]}" tee "$root.new/mirvel-root.txt" >/dev/null
    "${sudo[@]}" mv "$root.new" "$root"
}

run() {  # [--folder FOLDER] COMMAND...: FOLDER, try's copy, in place of the root
    local folder=$root
    [[ $1 != --folder ]] || { folder=$2; shift 2; }
    bwrap --bind "$folder" / --proc /proc --dev /dev --perms 1777 --tmpfs /tmp --tmpfs /run \
        --unshare-pid --unshare-ipc --unshare-net --die-with-parent \
        --setenv HOME /tmp --bind "$project" "$project" --chdir "$PWD" -- "$@"
}

try() {
    local scratch
    scratch=$(mktemp -d)
    mkdir "$scratch/upper" "$scratch/work" "$scratch/merged"
    "${sudo[@]}" unshare --mount --propagation private bash -c 'mount -t overlay overlay \
        -o "lowerdir=$2,upperdir=$3/upper,workdir=$3/work" "$3/merged" && exec "$1" run --folder "$3/merged" "${@:4}"' \
        bash "$0" "$root" "$scratch" "$@" || status=$?
    "${sudo[@]}" rm -rf "$scratch"
    return "${status:-0}"
}

case ${1:-} in
    ensure) ensure ;;
    run | try) "$@" ;;
    *) sed -n '2,11s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
