#!/usr/bin/env bash
# Makes what a teacher downloads, named in release-names.sh: for each
# architecture a zip (Mirvel.exe, README.txt, LICENSE.txt, BUILDINFO.txt) and
# a per-machine installer; with both, a Debian package for Linux labs; and
# BUILDINFO.txt and SHA256SUMS.
#   make-dist.sh OUTPUT_FOLDER [--version VERSION] x64=EXE [x86=EXE]
# Given a signer (signing.sh), each Mirvel.exe is signed before it is packed
# and each installer after it is stamped; never otherwise. The version is the
# executables' own, or the one given (the upgrade tests). The same commit
# gives the same bytes: every date is the commit's, every identifier made
# from the version, the architecture and the component's name. Either all is
# made, or nothing.
set -euo pipefail
cd "$(dirname "$0")/../.."
output=$(realpath -m "$1")
shift
version=
[[ ${1:-} != --version ]] || { version=$2; shift 2; }

fail() { echo "make dist: $*" >&2; exit 1; }

declare -A exes
for pair in "$@"; do
    arch=${pair%%=*} exe=${pair#*=}
    [[ $arch == x64 || $arch == x86 ]] || fail "unknown architecture in '$pair' (x64=EXE or x86=EXE)"
    [[ -f $exe ]] || fail "$exe is missing: build it first (make build)"
    exes[$arch]=$exe
done
[[ ${#exes[@]} -gt 0 ]] || fail "no executable given"

given_version=$version
for arch in "${!exes[@]}"; do
    exe_version=$(tools/packaging/exe_version.py "${exes[$arch]}") || fail "${exes[$arch]} has no version record"
    [[ -z $version || $version == "$exe_version" || -n $given_version ]] ||
        fail "the executables' versions differ: $version, $exe_version"
    version=${given_version:-$exe_version}
    # The maker's name, as the program's record gives it (from LICENSE).
    maker=$(tools/packaging/exe_version.py "${exes[$arch]}" CompanyName) || fail "${exes[$arch]} names no maker"
done
commit=$(git rev-parse HEAD 2>/dev/null) || fail "not a git checkout: the build record needs the commit"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}
source tools/packaging/signing.sh
source tools/packaging/release-names.sh
signed=no
if signing_requested; then
    check_signer || fail "cannot sign: $signing_problem"
    signed=yes
fi
export TZ=UTC
commit_date=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')

# Everything the release is made from: when the folder was last made from
# the same, it is left as it is. The key lives beside the folder.
key_file=$output.key
input_key=$( {
    echo "$commit $SOURCE_DATE_EPOCH $version $signed ${MIRVEL_SIGN_CERTS:-} ${MIRVEL_SIGN_KEY:-} ${SIGN_TIMESTAMP_URL:-}"
    for arch in x64 x86; do [[ -n ${exes[$arch]:-} ]] && echo "$arch" && cat "${exes[$arch]}"; done
    find packaging tools/packaging tools/icon window/icon -type f | LC_ALL=C sort | xargs cat LICENSE
    dpkg-query -W -f='${Package} ${Version}\n' wixl msitools osslsigncode zip dpkg txt2man 2>/dev/null
} | sha256sum | cut -c1-64)
# A signed release is always made afresh: a token may have been changed.
if [[ $signed == no && -d $output && -f $key_file && $(cat "$key_file") == "$input_key" ]]; then
    echo "dist (unsigned): up to date in $output"
    exit 0
fi
rm -rf "$output" "$key_file"
staging=$(mktemp -d "$output.partial.XXXXXX")
trap 'rm -rf "$staging"' EXIT

# A name-based UUID: the same name always gives the same identifier.
uuid_of() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"; }
# Windows text: UTF-8 with a byte-order mark, CR LF line ends.
windows_text() {
    printf '\xEF\xBB\xBF'
    sed -e "s/@VERSION@/$version/g" -e "s/@ZIP_X64@/$(release_zip "$version" x64)/g" \
        -e "s/@ZIP_X86@/$(release_zip "$version" x86)/g" -e "s/@MSI_X64@/$(release_msi "$version" x64)/g" \
        -e "s/@MSI_X86@/$(release_msi "$version" x86)/g" -e "s/@DEB@/$(release_deb "$version")/g" \
        -e 's/$/\r/' "$1"
}

files=$staging/files
mkdir -p "$files"
windows_text packaging/README.txt >"$files/README.txt"
windows_text LICENSE >"$files/LICENSE.txt"
{
    echo "Mirvel $version"
    echo "commit: $commit"
    echo "commit date: $commit_date UTC (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
    if [[ $signed == yes ]]; then
        echo "signed: yes (Authenticode, SHA-256), by $(signer_subject)"
        echo "  certificate SHA-256 fingerprint: $(signer_fingerprint)"
        [[ -n ${SIGN_TIMESTAMP_URL:-} ]] && echo "  time-stamped by $SIGN_TIMESTAMP_URL"
    else
        echo "signed: no"
    fi
    echo "built with (Debian packages):"
    for package in g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 \
                   binutils-mingw-w64-i686 mingw-w64-common cmake wixl zip dpkg txt2man python3 \
                   $([[ $signed == yes ]] && echo osslsigncode); do
        echo "  $(dpkg-query -W -f='${Package} ${Version}' "$package" 2>/dev/null || echo "$package (not installed)")"
    done
} | sed 's/$/\r/' >"$files/BUILDINFO.txt"
cp "$files/BUILDINFO.txt" "$staging/BUILDINFO.txt"
cp window/icon/mirvel.ico packaging/mirvel.wxs "$files/"

# What wixl 0.101 gets wrong of mirvel.wxs, put right in the tables: it drops
# AllowSameVersionUpgrades (the upgrade row lacks 0x200, "maximum version
# inclusive"), and defers the action that sets ARPINSTALLLOCATION until
# after InstallFinalize, where it sets nothing.
mend_tables() {  # MSI
    local msi=$1 upgrade=$staging/Upgrade.idt
    msiinfo export "$msi" Upgrade >"$upgrade" &&
        sed -i 's/^\([^\t]*\t\t[^\t]*\t[^\t]*\t\)1\t\tWIX_UPGRADE_DETECTED\r$/\1513\t\tWIX_UPGRADE_DETECTED\r/' "$upgrade" &&
        grep -q $'\t513\t\tWIX_UPGRADE_DETECTED' "$upgrade" &&
        msibuild "$msi" -i "$upgrade" &&
        msibuild "$msi" -q "UPDATE CustomAction SET Type = 51 WHERE Action = 'SetInstallLocation'" &&
        msibuild "$msi" -q "UPDATE InstallExecuteSequence SET Sequence = 1001 WHERE Action = 'SetInstallLocation'" &&
        rm -f "$upgrade"
}

for arch in x64 x86; do
    [[ -n ${exes[$arch]:-} ]] || continue
    exe=${exes[$arch]}
    # The installer's platform is one Windows Installer knows (Intel: x86).
    if [[ $arch == x64 ]]; then platform=x64; else platform=Intel; fi
    cp "$exe" "$files/Mirvel.exe"
    [[ $signed == no ]] || sign_file "$files/Mirvel.exe" || fail "could not sign the $arch Mirvel.exe"
    # The zip and the installer's cabinet keep each file's time (the commit's)
    # and mode; the zip's entries are in name order, without extra fields.
    chmod 644 "$files"/* && touch -d "@$SOURCE_DATE_EPOCH" "$files"/*
    (cd "$files" && zip -X -9 -q "$staging/$(release_zip "$version" "$arch")" BUILDINFO.txt LICENSE.txt Mirvel.exe \
        README.txt) || fail "could not zip the $arch program"

    # wixl stamps the package with the clock and a random package code: the
    # clock is held at the commit's time, and the code is set afterwards.
    msi=$staging/$(release_msi "$version" "$arch")
    (cd "$files" && faketime -f "@$commit_date" wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D Maker="$maker" \
        -D ProductCode="$(uuid_of "mirvel:product:$version:$arch")" -D ExeGuid="$(uuid_of "mirvel:component:exe:$arch")" \
        -D DocumentsGuid="$(uuid_of "mirvel:component:documents:$arch")" \
        -D ShortcutGuid="$(uuid_of "mirvel:component:shortcut:$arch")" -D Exe=Mirvel.exe -D Icon=mirvel.ico \
        -D Readme=README.txt -D License=LICENSE.txt -o "$msi" mirvel.wxs 2>"$staging/wixl.log")
    # wixl may fail and still exit 0: the package must open and hold the program.
    packaged=$(msiinfo export "$msi" File 2>/dev/null || true)
    if [[ $packaged != *$'\tMirvel.exe\t'* ]]; then
        cat "$staging/wixl.log" >&2
        fail "wixl could not build the $arch installer"
    fi
    rm -f "$staging/wixl.log"
    mend_tables "$msi" || fail "msibuild could not mend the $arch installer's tables"
    faketime -f "@$commit_date" msibuild "$msi" -s "Mirvel $version" "$maker" "$platform;1033" \
        "{$(uuid_of "mirvel:package:$version:$arch")}" || fail "msibuild could not stamp the $arch installer"
    [[ $signed == no ]] || sign_file "$msi" || fail "could not sign the $arch installer"
    install -D -m 644 "$files/Mirvel.exe" "$staging/deb/usr/lib/mirvel/$arch/Mirvel.exe"
done
rm -rf "$files"

# The Debian package: both programs, their launcher and its manual page, the
# menu entry, the icon, the software centres' listing, copyright, changelog.
debian_text() {
    sed -e "s/@VERSION@/$version/g" -e "s/@DAY@/${commit_date% *}/g" \
        -e "s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/g" -e "s/@COPYRIGHT@/${copyright#Copyright (c) }/g" \
        -e "s/@MAINTAINER@/$(sed -n 's/^Maintainer: //p' packaging/debian/control.in)/g" "$1"
}
make_deb() {
    local root=$staging/deb share=$staging/deb/usr/share metainfo copyright size
    copyright=$(grep -m 1 '^Copyright (c) ' LICENSE) metainfo=$(basename packaging/debian/*.metainfo.xml)
    mkdir -p "$root/DEBIAN" "$root/usr/bin" "$share"/{applications,metainfo,doc/mirvel,man/man1} \
        "$share"/icons/hicolor/{16x16,32x32}/apps
    cp packaging/debian/mirvel "$root/usr/bin/mirvel"
    cp packaging/debian/mirvel.desktop "$share/applications"
    txt2man -t mirvel -s 1 -v "User Commands" -r "Mirvel $version" -d "${commit_date% *}" \
        packaging/debian/mirvel.1.txt | gzip -9n >"$share/man/man1/mirvel.1.gz"
    debian_text "packaging/debian/$metainfo" >"$share/metainfo/$metainfo"
    for size in 16 32; do
        python3 tools/icon/make_icon.py "$share/icons/hicolor/${size}x$size/apps/mirvel.png" \
            "window/icon/mirvel-$size.txt" || return 1
    done
    { debian_text packaging/debian/copyright.in; sed -n '/^Permission/,$ { s/^$/./; s/^/ /; p }' LICENSE; } \
        >"$share/doc/mirvel/copyright"
    debian_text packaging/debian/changelog.in | gzip -9n >"$share/doc/mirvel/changelog.gz"
    (cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
    debian_text packaging/debian/control.in |
        sed "s/@INSTALLED_SIZE@/$(find "$root/usr" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')/" \
        >"$root/DEBIAN/control"
    chmod -R u=rwX,go=rX "$root" && chmod 755 "$root/usr/bin/mirvel" &&
        find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + &&
        dpkg-deb --root-owner-group -Zxz --build "$root" "$staging/$(release_deb "$version")" >/dev/null
}
if [[ -d $staging/deb/usr/lib/mirvel/x64 && -d $staging/deb/usr/lib/mirvel/x86 ]]; then
    make_deb || fail "could not make the Debian package"
fi
rm -rf "$staging/deb"

(cd "$staging" && shopt -s nullglob && sha256sum -- *.zip *.msi *.deb BUILDINFO.txt >SHA256SUMS)
chmod 644 "$staging"/*
chmod 755 "$staging"
mv "$staging" "$output"
trap - EXIT
echo "$input_key" >"$key_file"
echo "dist ($([[ $signed == yes ]] && echo signed || echo unsigned)): $(cd "$output" && ls | tr '\n' ' ')"
