#!/usr/bin/env bash
# Both installers as a computer lab uses them (docs/testing.md), in a copy
# of the clean 64-bit prefix WINEPREFIX, under one X server:
#   test-msi.sh DIST NEXT_DIST DRIVER.exe SCRATCH_PREFIX
# DIST holds this release; NEXT_DIST an x64 MSI of the next patch version.
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
source "$root/tests/checks.sh"
dist=$(realpath "$1") next_dist=$(realpath "$2") driver=$(realpath "$3") scratch=$4 clean=$WINEPREFIX
source "$root/tools/packaging/release-names.sh"
exe_version() { "$root/tools/packaging/exe_version.py" "$@"; }

[[ -n ${DISPLAY:-} ]] || fail_now "no X display; run under xvfb-run"
msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
single() { local found=("$@"); [[ ${#found[@]} -eq 1 && -f ${found[0]} ]] && echo "${found[0]}"; }
# shellcheck disable=SC2046  # the names, with * for the version, are patterns
x64_msi=$(single "$dist"/$(release_msi '*' x64)) || fail_now "no single x64 MSI in $dist"
x86_msi=$(single "$dist"/$(release_msi '*' x86)) || fail_now "no single x86 MSI in $dist"
next_msi=$(single "$next_dist"/$(release_msi '*' x64)) || fail_now "no single x64 MSI in $next_dist"
version=$(msi_property "$x64_msi" ProductVersion)
next_version=$(msi_property "$next_msi" ProductVersion)
[[ -n $version && -n $next_version ]] || fail_now "the MSIs have no ProductVersion"

rm -rf "$scratch"
cp -a "$clean" "$scratch" || fail_now "cannot copy the clean prefix $clean"
# No menu entries for the host's desktop (winemenubuilder) from the shortcuts.
export WINEPREFIX=$scratch WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$scratch"' EXIT

drive_c=$scratch/drive_c
# Windows puts a per-machine shortcut in the common Start menu; Wine's
# installer puts it in the user's.
shortcuts=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mirvel.lnk"
           "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mirvel.lnk")
no_shortcut() { test ! -e "${shortcuts[0]}" && test ! -e "${shortcuts[1]}"; }
# The one shortcut there is, and the program it starts.
shortcut_starts() {  # WINDOWS_PATH
    local found=() shortcut
    for shortcut in "${shortcuts[@]}"; do [[ -s $shortcut ]] && found+=("$shortcut"); done
    [[ ${#found[@]} -eq 1 ]] && strings -a "${found[0]}" | grep -qixF "$1"
}

uninstall_key() { echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"; }
# A value of a product's uninstall entry, read in one registry view (32 or 64).
entry_value() {  # PRODUCT_CODE VIEW NAME
    wine reg query "$(uninstall_key "$1")" /v "$3" "/reg:$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$3 *REG_[A-Z_]* *//p"
}
has_value() { [[ $(entry_value "$1" "$2" "$3") == "$4" ]]; }
no_entry() {  # PRODUCT_CODE: in neither view
    ! wine reg query "$(uninstall_key "$1")" /reg:64 && ! wine reg query "$(uninstall_key "$1")" /reg:32
}
# Every uninstall entry named Mirvel, in both views: "VIEW VERSION" lines.
mirvel_entries() {
    local view key
    for view in 64 32; do
        wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "/reg:$view" 2>/dev/null |
            tr -d '\r' | awk -v view="$view" '
                /^HKEY/ { name = ""; version = "" }
                /^ +DisplayName +REG_SZ +Mirvel$/ { name = 1 }
                /^ +DisplayVersion +REG_SZ/ { version = $3 }
                name && version { print view, version; name = ""; version = "" }'
    done
}
only_entry() { [[ $(mirvel_entries) == "$1" ]]; }
no_entries() { [[ -z $(mirvel_entries) ]]; }

# Checks one installed package: ARCH VERSION MSI ZIP.
check_installed() {
    local arch=$1 expected_version=$2 msi=$3 zip=$4 folder_name view product_code
    product_code=$(msi_property "$msi" ProductCode)
    if [[ $arch == x64 ]]; then folder_name='Program Files' view=64; else folder_name='Program Files (x86)' view=32; fi
    local folder="$drive_c/$folder_name/Mirvel" windows_folder="C:\\$folder_name\\Mirvel"
    check "$arch $expected_version: Mirvel.exe in $folder_name\\Mirvel is the packaged program" \
        cmp "$folder/Mirvel.exe" <(unzip -p "$zip" Mirvel.exe)
    check "  its version record says $expected_version" \
        test "$(exe_version "$folder/Mirvel.exe")" = "$expected_version"
    check "  README.txt and LICENSE.txt beside it" test -s "$folder/README.txt" -a -s "$folder/LICENSE.txt"
    check "  one Start-menu shortcut, to this Mirvel.exe" shortcut_starts "$windows_folder\\Mirvel.exe"
    check "  its uninstall entry in the $view-bit view, named Mirvel" has_value "$product_code" $view DisplayName Mirvel
    check "    with the version" has_value "$product_code" $view DisplayVersion "$expected_version"
    check "    with the publisher, the program's maker" has_value "$product_code" $view Publisher \
        "$(exe_version "$folder/Mirvel.exe" CompanyName)"
    check "    with the install location" has_value "$product_code" $view InstallLocation "$windows_folder\\"
    check "    with the program's icon" has_value "$product_code" $view DisplayIcon "$windows_folder\\Mirvel.exe,0"
    check "  the only Mirvel in Add/Remove Programs" only_entry "$view $expected_version"
    check "  the shortcut's icon kept by the installer" \
        test -s "$drive_c/windows/Installer/$product_code/Mirvel.ico"
    program_runs() { wine "$driver" start "$windows_folder\\Mirvel.exe" && wine "$driver" close; }
    if [[ $arch == x86 && ${MIRVEL_SKIP_32BIT:-} == 1 ]]; then
        echo "SKIPPED (MIRVEL_SKIP_32BIT=1): the installed x86 Mirvel starts and shows Form1"
    else
        check "  the installed Mirvel starts and shows Form1" program_runs
    fi
}

x64_zip=$dist/$(release_zip "$version" x64) x86_zip=$dist/$(release_zip "$version" x86)

component_ids() { msiinfo export "$1" Component | tr -d '\r' | awk -F'\t' 'NR > 3 { print $2 }' | sort; }
no_shared_components() {
    local x64_ids x86_ids
    x64_ids=$(component_ids "$x64_msi") x86_ids=$(component_ids "$x86_msi")
    [[ -n $x64_ids && -n $x86_ids && -z $(comm -12 <(echo "$x64_ids") <(echo "$x86_ids")) ]]
}
check "the two packages share no component identifier" no_shared_components
check "x86 $version installs silently (msiexec /i /qn)" wine msiexec /i "$x86_msi" /qn
check_installed x86 "$version" "$x86_msi" "$x86_zip"

check "x64 $version installs silently over it" wine msiexec /i "$x64_msi" /qn
check "  and takes the x86 one's place: no Program Files (x86)\\Mirvel" test ! -e "$drive_c/Program Files (x86)/Mirvel"
check "  no uninstall entry of the x86 package" no_entry "$(msi_property "$x86_msi" ProductCode)"
check_installed x64 "$version" "$x64_msi" "$x64_zip"

check "x64 $next_version upgrades it silently" wine msiexec /i "$next_msi" /qn
check "  no uninstall entry of $version" no_entry "$(msi_property "$x64_msi" ProductCode)"
check "  the one Mirvel in Add/Remove Programs is $next_version" only_entry "64 $next_version"
check "  with its program" cmp "$drive_c/Program Files/Mirvel/Mirvel.exe" <(unzip -p "$x64_zip" Mirvel.exe)

# With basic UI (/qb), as a user double-clicking it sees, the refusal is a
# message box: the driver reads it and presses OK.
answer_file=$scratch/downgrade-answer.txt
refused() {
    wine msiexec /i "$x86_msi" /qb &
    local installer=$!
    wine "$driver" answer | tr -d '\r' >"$answer_file"
    ! wait $installer
}
check "x86 $version over $next_version is refused" refused
check "  with the downgrade message" grep -qxF "A newer version of Mirvel is already installed." "$answer_file"
check "  and $next_version stays" only_entry "64 $next_version"
check "  with its program" test -f "$drive_c/Program Files/Mirvel/Mirvel.exe"

check "x64 $next_version uninstalls silently (msiexec /x /qn)" wine msiexec /x "$next_msi" /qn
check "  no program folder left" test ! -e "$drive_c/Program Files/Mirvel" -a ! -e "$drive_c/Program Files (x86)/Mirvel"
check "  no shortcut left" no_shortcut
check "  no uninstall entry left, in either view" no_entries
no_mirvel_key() { ! wine reg query 'HKLM\Software\Mirvel' /reg:64 && ! wine reg query 'HKLM\Software\Mirvel' /reg:32; }
check "  no registry key of Mirvel's left, in either view" no_mirvel_key

checks_done "msi"
