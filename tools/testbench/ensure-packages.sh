#!/usr/bin/env bash
# Installs whichever of the given Debian packages are missing, and says which:
#   ensure-packages.sh PACKAGE[:ARCH] ...
# A foreign architecture (wine32:i386) is added to dpkg first. Nothing is ever
# removed: should apt want to, this stops and names what it would remove. A
# mirror caught mid-sync is a normal event, and neither of its usual faults
# stops this: an index that will not download (the update is tried three
# times, then the lists there are serve), and a suite a step ahead of its
# other-architecture twins (tried again from the installed release's suite).
set -euo pipefail

me=ensure-packages.sh
missing=() architectures=()
for package in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] && continue
    missing+=("$package")
    [[ $package == *:* ]] && architectures+=("${package#*:}")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "Missing packages: ${missing[*]}; install them with your package manager." >&2
    exit 1
fi

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
for architecture in "${architectures[@]}"; do
    if [[ $architecture != "$(dpkg --print-architecture)" ]] &&
        ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
        echo "Adding the $architecture architecture to dpkg"
        "${sudo[@]}" dpkg --add-architecture "$architecture"
    fi
done

# apt's own reason, from its output: its errors, and the first few of the
# dependencies it could not meet.
apt_reason() {
    local errors unmet
    errors=$(grep -E '^[EW]:' <<<"$1" || true)
    unmet=$(grep -E ': (Pre)?Depends: |but it is not' <<<"$1" | head -n 6 || true)
    [[ -n $errors$unmet ]] || errors=$(tail -n 5 <<<"$1")
    sed '/^$/d; s/^/    /' <<<"$unmet
$errors"
}

update_package_lists() {
    local try output
    for try in 1 2 3; do
        # apt says of some indexes it could not fetch only as a warning.
        output=$("${sudo[@]}" apt-get update -qq 2>&1) && ! grep -q '^[EW]: Failed to fetch' <<<"$output" && return 0
        [[ $try -lt 3 ]] && sleep 10
    done
    echo "$me: apt-get update failed three times; going on with the package lists there are." \
         "What failed to download:" >&2
    { grep -o 'Failed to fetch [^ ]*' <<<"$output" | sed 's/^Failed to fetch /    /' || apt_reason "$output"; } >&2
}

# What apt would do, asked without --no-remove, which would only refuse:
# its plan in $plan, or its reason for none in $reason.
plan= reason=
simulate() {
    plan=$(apt-get install --simulate --no-install-recommends "$@" "${missing[@]}" 2>&1) && return 0
    reason=$(apt_reason "$plan")
    return 1
}

echo "Installing: ${missing[*]}"
update_package_lists
export DEBIAN_FRONTEND=noninteractive
target=()
if ! simulate; then
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    first_reason=$reason
    if [[ -z $release ]] || ! simulate -t "$release"; then
        echo "$me: apt-get cannot install ${missing[*]}; apt says:" >&2
        echo "$first_reason" >&2
        [[ -n $release ]] && echo "  and from $release, the installed release's own suite:" >&2 && echo "$reason" >&2
        exit 1
    fi
    target=(-t "$release")
    echo "$me: apt could not resolve the install from the newest suites, as when a mirror is caught mid-sync;" \
         "installing from $release, the installed release's own suite. apt said:"
    echo "$first_reason"
fi
removed=$(sed -n 's/^Remv \([^ ]*\).*/\1/p' <<<"$plan" | tr '\n' ' ')
if [[ -n $removed ]]; then
    echo "$me: installing ${missing[*]} would remove ${removed% }; nothing was installed." \
         "Install them by hand if that is wanted." >&2
    exit 1
fi
if ! output=$("${sudo[@]}" apt-get install -y -qq --no-install-recommends --no-remove "${target[@]}" "${missing[@]}" 2>&1); then
    echo "$me: apt-get could not install ${missing[*]} without removing anything; apt says:" >&2
    apt_reason "$output" >&2
    exit 1
fi
