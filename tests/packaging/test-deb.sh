#!/usr/bin/env bash
# The Debian package in the release folder DIST, as a Linux lab gets it:
#   test-deb.sh debian12 DIST DRIVER.exe WORK_FOLDER   here (Debian 12, Wine 8),
#       under an X server: lintian, desktop-file-validate and appstreamcli pass;
#       apt would resolve it on a bare machine; the unpacked launcher starts
#       Form1 in a new account
#   test-deb.sh debian13 DIST DRIVER.exe X86_DRIVER.exe   as root in a throwaway
#       copy of the Debian 13 root (Wine 10): apt resolves and installs it; a
#       student, not root, in a new home, starts it by the menu entry's Exec
#       line, and again with 32-bit Wine alone; without Wine the launcher says
#       so; apt purges it, and no file of it is left
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
source "$root/tests/checks.sh"
source "$root/tools/packaging/release-names.sh"
mode=${1:-}
# shellcheck disable=SC2046  # the name, with * for the version, is a pattern
[[ $mode != debian1[23] ]] || deb=$(realpath $(ls "$2"/$(release_deb '*'))) ||
    fail_now "no Debian package in $2"

# On a bare machine apt would bring Wine too: its plan from an empty status.
resolves() {
    apt-get install --simulate -o Dir::State::Status=/dev/null "$deb" >"$1" 2>&1 &&
        grep -q '^Inst mirvel ' "$1" && grep -q '^Inst wine ' "$1"
}

# test-deb.sh first-start DRIVER.exe COMMAND..., in a new account: COMMAND
# starts; Form1 shows (how soon goes to ~/first-start.txt) and closes; COMMAND
# ends with 0, having said nothing.
first_start() {
    local driver=$1 said=$HOME/said.txt started status
    shift
    started=$(date +%s)
    env -u WINEPREFIX "$@" 2>"$said" &
    local launcher=$!
    # The driver joins the prefix once the launcher has made it and handed over to Wine.
    for _ in $(seq 600); do grep -qs 'bin/mirvel' "/proc/$launcher/cmdline" || break; sleep 0.1; done
    WINEDEBUG=-all wine "$driver" wait >/dev/null || { kill $launcher; return 1; }
    echo "$(($(date +%s) - started)) s" >"$HOME/first-start.txt"
    WINEDEBUG=-all wine "$driver" close
    wait $launcher
    status=$?
    [[ $status -eq 0 && ! -s $said ]] || { echo "exit code $status; said: $(cat "$said")"; return 1; }
}

# The launcher with no Wine to run: one line on the terminal and the same
# in a message (a stand-in for zenity), and not 0.
says_wine_is_missing() {
    local said=$HOME/said.txt shown=$HOME/shown.txt
    mkdir -p "$HOME/bin" && printf '#!/bin/sh\necho "$*" >%s\n' "$shown" >"$HOME/bin/zenity" && chmod +x "$HOME/bin/zenity"
    ! PATH=$HOME/bin:$PATH DISPLAY=:0 mirvel 2>"$said" && [[ $(wc -l <"$said") -eq 1 ]] &&
        grep -q '^mirvel: Wine is not installed' "$said" && grep -qF "$(sed 's/^mirvel: //' "$said")" "$shown"
}

case $mode in
    debian12)
        driver=$(realpath "$3") work=$(realpath -m "$4")
        rm -rf "$work" && mkdir -p "$work/home" && dpkg-deb -x "$deb" "$work/unpacked" || fail_now "cannot unpack $deb"
        trap 'HOME=$work/home wineserver -k; rm -rf "$work"' EXIT
        check "lintian: no error, no warning" lintian --fail-on error,warning "$deb"
        check "desktop-file-validate: the menu entry" desktop-file-validate "$work"/unpacked/usr/share/applications/*
        check "appstreamcli: the software centres' listing" appstreamcli validate --no-net "$work"/unpacked/usr/share/metainfo/*
        check "Debian 12: apt resolves it, bringing Wine" resolves "$work/apt.txt"
        check "Debian 12: the unpacked launcher starts Form1" \
            env HOME="$work/home" "$0" first-start "$driver" "$work/unpacked/usr/bin/mirvel"
        echo "    Form1 showed $(cat "$work/home/first-start.txt") after the first start in a new account"
        ;;
    debian13)
        driver=$(realpath "$3")
        check "Debian 13: apt resolves it, bringing Wine" resolves /tmp/apt.txt
        check "  and installs it" apt-get install -y -q "$deb"
        files=$(dpkg -L mirvel)
        echo 'student:x:1000:1000::/home/student:/bin/sh' >>/etc/passwd && echo 'student:x:1000:' >>/etc/group &&
            mkdir -m 700 /home/student && chown 1000:1000 /home/student || fail_now "no student's account"
        # The folders above the project's, made in the root to bind it there, open to the student too.
        folder=$root
        while folder=$(dirname "$folder") && [[ $folder != / ]]; do chmod o+x "$folder"; done
        exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/mirvel.desktop)
        as_student() { setpriv --reuid=1000 --regid=1000 --clear-groups env -i HOME=/home/student PATH=/usr/bin:/bin "$@"; }
        check "a student starts it from the menu ($exec_line): Form1 shows" \
            as_student xvfb-run -a "$0" first-start "$driver" $exec_line
        echo "    Form1 showed $(cat /home/student/first-start.txt) after the first start in a new account"
        apt-get purge -y -q wine64 >/dev/null && as_student mkdir /home/student/wine32
        check "with 32-bit Wine alone, a new prefix takes the 32-bit Mirvel" \
            as_student env HOME=/home/student/wine32 xvfb-run -a "$0" first-start "$(realpath "$4")" $exec_line
        rm -f /usr/lib/wine/wine /usr/lib/wine/wine64
        check "without Wine, the launcher says so, on the terminal and in a message" as_student "$0" wine-missing
        check "apt purges it" apt-get purge -y -q mirvel
        left() { for file in $files; do [[ $file == /. || ! -e $file ]] || dpkg -S "$file" &>/dev/null || echo "$file"; done; }
        check "  and no file of it is left" test -z "$(left)"
        ;;
    first-start) shift; first_start "$@"; exit ;;
    wine-missing) says_wine_is_missing; exit ;;
    *) sed -n '2,11s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
checks_done "deb $mode"
