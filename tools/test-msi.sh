#!/usr/bin/env bash
# The x64 installer as a computer lab uses it, under Wine and an X server
# (xvfb-run) that every step shares:
#   test-msi.sh MSI CLEAN_PREFIX SCRATCH_PREFIX DRIVER.exe
# installs silently into a fresh copy of CLEAN_PREFIX, checks the files, the
# Start-menu shortcut and the uninstall entry, starts the installed Mirvel
# and finds Form1 (with the screenshot driver), uninstalls silently and
# checks that nothing is left.
set -uo pipefail
msi=$(realpath "$1") clean=$2 scratch=$3 driver=$(realpath "$4")

failures=0
check() {  # WHAT COMMAND...
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}

[[ -n ${DISPLAY:-} ]] || { echo "FAILED: no X display; run under xvfb-run"; exit 1; }
rm -rf "$scratch"
cp -a "$clean" "$scratch" || { echo "FAILED: cannot copy the clean prefix $clean"; exit 1; }
export WINEPREFIX=$scratch WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$scratch"' EXIT

folder="$scratch/drive_c/Program Files/Mirvel"
# Windows puts a per-machine shortcut in the common Start menu; Wine's
# installer puts it in the user's.
shortcuts=("$scratch/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mirvel.lnk"
           "$scratch/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mirvel.lnk")
some_shortcut() { test -s "${shortcuts[0]}" || test -s "${shortcuts[1]}"; }
no_shortcut() { test ! -e "${shortcuts[0]}" && test ! -e "${shortcuts[1]}"; }
product_code=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
uninstall_value() { wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | grep -F "$1"; }
has_value() { uninstall_value "$1" | grep -qF -- "$2"; }

check "silent install (msiexec /i /qn)" wine msiexec /i "$msi" /qn
check "Mirvel.exe is the packaged program" cmp "$folder/Mirvel.exe" <(unzip -p "${msi%-x64.msi}-win64.zip" Mirvel.exe)
check "README.txt and LICENSE.txt beside it" test -s "$folder/README.txt" -a -s "$folder/LICENSE.txt"
check "a Start-menu shortcut" some_shortcut
check "an uninstall entry named Mirvel" has_value DisplayName Mirvel
check "  with the version" has_value DisplayVersion 1.0.0
check "  with the publisher" has_value Publisher "Mirvel developers"
# Windows shows the product's icon (ARPPRODUCTICON) from where the installer keeps it.
check "  with its icon kept by the installer" test -s "$scratch/drive_c/windows/Installer/$product_code/MirvelIcon"
program_runs() { wine "$driver" start 'C:\Program Files\Mirvel\Mirvel.exe' && wine "$driver" close; }
check "the installed Mirvel starts and shows Form1" program_runs
check "silent uninstall (msiexec /x /qn)" wine msiexec /x "$msi" /qn
check "no program folder left" test ! -e "$folder"
check "no shortcut left" no_shortcut
check "no uninstall entry left" bash -c "! wine reg query '$uninstall_key'"

echo "msi: $failures of 13 checks failed"
[[ $failures -eq 0 ]]
