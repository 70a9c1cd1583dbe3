#!/usr/bin/env bash
# Installs whichever of the given Debian packages are missing, and says which.
#   ensure-packages.sh PACKAGE[:ARCH] ...
# A package of a foreign architecture (wine32:i386) has that architecture
# added to dpkg first. Nothing installed is ever removed: should apt want to
# remove a package to install these, this stops and names what it would remove.
set -euo pipefail

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
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
export DEBIAN_FRONTEND=noninteractive
# What apt would do, asked first without --no-remove, which would only refuse.
removed=$(apt-get install --simulate --no-install-recommends "${missing[@]}" 2>/dev/null |
    sed -n 's/^Remv \([^ ]*\).*/\1/p' | tr '\n' ' ')
if [[ -n $removed ]]; then
    echo "ensure-packages.sh: installing ${missing[*]} would remove ${removed% }; nothing was installed." \
         "Install them by hand if that is wanted." >&2
    exit 1
fi
if ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" >/dev/null; then
    echo "ensure-packages.sh: apt-get could not install ${missing[*]} without removing anything" >&2
    exit 1
fi
