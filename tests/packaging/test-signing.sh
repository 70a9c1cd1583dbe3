#!/usr/bin/env bash
# A release signed with a throwaway key on a token (throwaway-signer.sh),
# made twice, checked as a school's IT department would (docs/testing.md),
# with WINEPREFIX a clean prefix to copy:
#   test-signing.sh UNSIGNED_DIST EXE_X64 EXE_X86 DRIVER.exe WORK_FOLDER
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
unsigned=$1 exe_x64=$2 exe_x86=$3 driver=$(realpath "$4") work=$(realpath -m "$5") clean=$WINEPREFIX

source "$root/tests/checks.sh"
source "$root/packaging/size-limits.env"
source "$root/tools/packaging/release-names.sh"
[[ -n ${DISPLAY:-} ]] || fail_now "no X display; run under xvfb-run"

rm -rf "$work"
mkdir -p "$work"
"$root/tests/packaging/throwaway-signer.sh" "$work/signer" || fail_now "no throwaway signer"
# shellcheck source=/dev/null
source "$work/signer/signer.env"
ca=$work/signer/ca.pem

for build in first second; do
    "$root/tools/packaging/make-dist.sh" "$work/$build" x64="$exe_x64" x86="$exe_x86" >"$work/$build.log" 2>&1 ||
        { cat "$work/$build.log"; fail_now "make dist with the token's signer ($build build)"; }
done
dist=$work/first
version=$("$root/tools/packaging/exe_version.py" "$exe_x64")

logs=$work/logs
mkdir -p "$logs"
verifies() {  # FILE: its log kept as logs/NAME.log
    local log=$logs/$(basename "$1").log
    osslsigncode verify -CAfile "$ca" -in "$1" >"$log" 2>&1 && grep -q '^Succeeded' "$log"
}
unpacked=$work/unpacked
mkdir -p "$unpacked"
for arch in x64 x86; do
    zip=$dist/$(release_zip "$version" $arch) msi=$dist/$(release_msi "$version" $arch)
    unzip -p "$zip" Mirvel.exe >"$unpacked/zip-$arch.exe"
    msiextract -C "$unpacked/msi-$arch" "$msi" >/dev/null 2>&1
    from_msi=$(find "$unpacked/msi-$arch" -name Mirvel.exe | head -n 1)
    check "$arch: Mirvel.exe from the zip verifies" verifies "$unpacked/zip-$arch.exe"
    check "$arch: Mirvel.exe the installer installs verifies" verifies "${from_msi:-/missing}"
    check "$arch: the installer verifies" verifies "$msi"
    size=$(stat -c %s "$unpacked/zip-$arch.exe")
    check "$arch: signed Mirvel.exe, $size bytes, is at most $MIRVEL_MAX_BYTES_SIGNED" \
        test "$size" -le "$MIRVEL_MAX_BYTES_SIGNED"
done
check "  with SHA-256" grep -q 'Message digest algorithm *: SHA256' "$logs/zip-x64.exe.log"

same_builds() { diff -r "$work/first" "$work/second"; }
check "a second signed build of the commit is the same bytes" same_builds

flipped=$work/flipped.exe
cp "$unpacked/zip-x64.exe" "$flipped"
# Every bit of the byte at 4096 turned over: whatever it was, it differs.
byte=$(od -An -tu1 -j 4096 -N 1 "$flipped" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 0xFF)))" | dd of="$flipped" bs=1 seek=4096 count=1 conv=notrunc status=none
check "one flipped byte fails verification" bash -c "! osslsigncode verify -CAfile '$ca' -in '$flipped'"
check "  (the copy does differ by it)" fails cmp -s "$flipped" "$unpacked/zip-x64.exe"

check "the build record says it is signed, and by whom" \
    grep -q "^signed: yes (Authenticode, SHA-256), by .*CN=Mirvel Throwaway Test Signer" "$dist/BUILDINFO.txt"
fingerprint=$(openssl x509 -noout -fingerprint -sha256 -in "$MIRVEL_SIGN_CERTS" | sed 's/^.*=//; s/://g')
check "  with the certificate's fingerprint" grep -q "fingerprint: $fingerprint" "$dist/BUILDINFO.txt"
check "the unsigned release says so" grep -q '^signed: no' "$unsigned/BUILDINFO.txt"
unsigned_exe=$work/unsigned.exe
unzip -p "$unsigned/$(release_zip "$version" x64)" Mirvel.exe >"$unsigned_exe"
check "  and carries no signature" bash -c "osslsigncode verify -in '$unsigned_exe' 2>&1 | grep -q 'No signature found'"

# The signed program starts under Wine as the unsigned one does.
prefix=$work/prefix
cp -a "$clean" "$prefix" || fail_now "cannot copy the clean prefix $clean"
export WINEPREFIX=$prefix
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
cp "$unpacked/zip-x64.exe" "$prefix/drive_c/Mirvel.exe"
starts() { wine "$driver" start 'C:\Mirvel.exe' && wine "$driver" close; }
check "the signed Mirvel.exe starts and shows Form1" starts

checks_done "signing"
