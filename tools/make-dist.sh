#!/usr/bin/env bash
# Makes what a teacher downloads, in dist/:
#   Mirvel-VERSION-win64.zip, Mirvel-VERSION-win32.zip   Mirvel.exe, README.txt, LICENSE.txt, BUILDINFO.txt
#   Mirvel-VERSION-x64.msi,   Mirvel-VERSION-x86.msi     per-machine installers
#   BUILDINFO.txt, SHA256SUMS
# Usage: make-dist.sh EXE_X64 EXE_X86 OUTPUT_FOLDER
# The same commit gives the same bytes: every date is the commit's
# (SOURCE_DATE_EPOCH), every identifier is made from the version and the
# architecture. Either everything is made, or OUTPUT_FOLDER is left absent.
set -euo pipefail
cd "$(dirname "$0")/.."
exe_x64=$1 exe_x86=$2 output=$(realpath -m "$3")

fail() { echo "make dist: $*" >&2; exit 1; }

for tool in git python3 wixl msibuild msiinfo faketime sha256sum dpkg-query; do
    command -v "$tool" >/dev/null || fail "the tool '$tool' is missing (make dist installs wixl, msitools and faketime)"
done
for exe in "$exe_x64" "$exe_x86"; do
    [[ -f $exe ]] || fail "$exe is missing: build it first (make build)"
done

version=$(sed -n 's/^project(Mirvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || fail "no version in CMakeLists.txt's project()"
commit=$(git rev-parse HEAD 2>/dev/null) || fail "not a git checkout: the build record needs the commit"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}
export TZ=UTC
commit_date=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')

rm -rf "$output"
staging=$(mktemp -d "$output.partial.XXXXXX")
trap 'rm -rf "$staging"' EXIT

# A name-based UUID: the same name always gives the same identifier.
uuid_of() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"; }
# Windows text: UTF-8 with a byte-order mark, CR LF line ends.
windows_text() { printf '\xEF\xBB\xBF'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1"; }

files=$staging/files
mkdir -p "$files"
windows_text packaging/README.txt >"$files/README.txt"
windows_text LICENSE >"$files/LICENSE.txt"
{
    echo "Mirvel $version"
    echo "commit: $commit"
    echo "commit date: $commit_date UTC (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
    echo "built with (Debian packages):"
    for package in g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 \
                   binutils-mingw-w64-i686 mingw-w64-common cmake wixl python3; do
        echo "  $(dpkg-query -W -f='${Package} ${Version}' "$package" 2>/dev/null || echo "$package (not installed)")"
    done
} | sed 's/$/\r/' >"$files/BUILDINFO.txt"
cp "$files/BUILDINFO.txt" "$staging/BUILDINFO.txt"
cp window/icon/mirvel.ico packaging/mirvel.wxs "$files/"

# The installers' cabinets keep each file's time: the commit's, too.
stamp_files() { touch -d "@$SOURCE_DATE_EPOCH" "$files"/*; }

for arch in x64 x86; do
    if [[ $arch == x64 ]]; then exe=$exe_x64 zip_name=win64; else exe=$exe_x86 zip_name=win32; fi
    cp "$exe" "$files/Mirvel.exe"
    stamp_files
    python3 tools/make_zip.py "$staging/Mirvel-$version-$zip_name.zip" "$SOURCE_DATE_EPOCH" \
        "$files/Mirvel.exe" "$files/README.txt" "$files/LICENSE.txt" "$files/BUILDINFO.txt"

    # wixl stamps the package with the clock and a random package code: the
    # clock is held at the commit's time, and the code is set afterwards.
    msi=$staging/Mirvel-$version-$arch.msi
    (cd "$files" && faketime -f "@$commit_date" wixl -a "$arch" -D Arch="$arch" -D Version="$version" \
        -D ProductCode="$(uuid_of "mirvel:product:$version:$arch")" -D Exe=Mirvel.exe -D Icon=mirvel.ico \
        -D Readme=README.txt -D License=LICENSE.txt -o "$msi" mirvel.wxs 2>"$staging/wixl.log")
    # wixl may fail and still exit 0: the package must open and hold the program.
    packaged=$(msiinfo export "$msi" File 2>/dev/null || true)
    if [[ $packaged != *$'\tMirvel.exe\t'* ]]; then
        cat "$staging/wixl.log" >&2
        fail "wixl could not build the $arch installer"
    fi
    rm -f "$staging/wixl.log"
    faketime -f "@$commit_date" msibuild "$msi" -s "Mirvel $version" "Mirvel developers" "$arch;1033" \
        "{$(uuid_of "mirvel:package:$version:$arch")}" || fail "msibuild could not stamp the $arch installer"
done
rm -rf "$files"

(cd "$staging" && sha256sum -- *.zip *.msi BUILDINFO.txt >SHA256SUMS)
chmod 644 "$staging"/*
chmod 755 "$staging"
mv "$staging" "$output"
trap - EXIT
echo "dist: $(cd "$output" && ls | tr '\n' ' ')"
