#!/usr/bin/env bash
# Makes sure each Wine prefix exists, belongs to the Wine installed now and
# starts programs; a prefix that does not is made afresh, with a line on why.
#   wine-prefix.sh PREFIX[,OPTION...] ...
#   wine-prefix.sh --starts-programs PREFIX [win32]   only whether it starts them
# The prefixes are seen to side by side. Options:
#   virtual-desktop  Wine draws its own desktop and window frames, so windows
#                    behave the same under Xvfb with no window manager
#   dpi=N            the screen's DPI (96 unless said)
#   arch=win32       a 32-bit Windows; otherwise a 64-bit one, which runs
#                    32-bit programs too (unless MIRVEL_SKIP_32BIT=1)
# Each prefix keeps a record of the options and the Wine packages it was
# made with (mirvel-prefix.txt); the record is written last, so a prefix
# whose making was cut short is made again.
set -uo pipefail
set -a
source "$(dirname "$0")/wine.env"
set +a
unset DISPLAY  # a prefix is made and checked without an X server

record_name=mirvel-prefix.txt

# The record a prefix made now with these options would have.
expected_record() {  # OPTION...
    echo "options: $*"
    echo "wine: $(wine --version 2>/dev/null || echo none)"
    dpkg-query -W -f='${Package}:${Architecture} ${Version} ${Status}\n' wine wine64 wine32 libwine 2>/dev/null |
        sed -n 's/ install ok installed$//p' | sort | sed 's/^/package: /'
}

# Whether the prefix starts a console program of each architecture it is for.
starts_programs() {  # PREFIX ARCH
    local prefix=$1 arch=$2 programs=('C:\windows\system32\cmd.exe')  # of the prefix's own architecture
    [[ $arch == win32 || ${MIRVEL_SKIP_32BIT:-} == 1 ]] || programs+=('C:\windows\syswow64\cmd.exe')
    local program ok=0
    for program in "${programs[@]}"; do
        [[ $(WINEPREFIX=$prefix timeout 60 wine "$program" /c echo started 2>/dev/null | tr -d '\r') == started ]] ||
            { echo "$program did not start"; ok=1; break; }
    done
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
    return $ok
}

if [[ ${1:-} == --starts-programs ]]; then
    starts_programs "$2" "${3:-win64}" >/dev/null
    exit
fi

make_prefix() {  # PREFIX DESKTOP DPI ARCH
    local prefix=$1 desktop=$2 dpi=$3 arch=$4
    rm -rf "$prefix"
    mkdir -p "$prefix"
    export WINEPREFIX=$prefix WINEARCH=$arch
    wineboot -i >/dev/null 2>&1
    # Wine's own Tahoma, Marlett and the rest, where its font search does
    # not look (fonts-wine): without them the dialog font falls back to
    # another and the caption buttons lose their glyphs.
    local fonts=/usr/share/wine/fonts
    if ! compgen -G "$fonts/*.ttf" >/dev/null; then
        echo "wine-prefix.sh: no fonts in $fonts; install fonts-wine" >&2
        return 1
    fi
    cp "$fonts"/*.ttf "$prefix/drive_c/windows/Fonts/" || return 1
    # No sound device is wanted, nor looked for.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    if [[ $desktop == yes ]]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
    fi
    wineserver -w
}

ensure() {  # PREFIX[,OPTION...]
    local prefix=${1%%,*} options=() desktop=no dpi=96 arch=win64
    [[ $1 == *,* ]] && IFS=, read -r -a options <<<"${1#*,}"
    local option
    for option in "${options[@]}"; do
        case $option in
            virtual-desktop) desktop=yes ;;
            dpi=*) dpi=${option#dpi=} ;;
            arch=win32 | arch=win64) arch=${option#arch=} ;;
            *) echo "wine-prefix.sh: unknown option $option" >&2; return 2 ;;
        esac
    done
    local record wanted reason=
    record=$prefix/$record_name
    wanted=$(expected_record "${options[@]}")
    if [[ ! -f $record ]]; then
        [[ -e $prefix ]] && reason="it has no record of the Wine that made it"
    elif [[ $(cat "$record") != "$wanted" ]]; then
        reason="it was made with another Wine or other options:
$(diff <(cat "$record") <(echo "$wanted") | sed -n 's/^</    was:/p; s/^>/    now:/p')"
    elif ! reason=$(starts_programs "$prefix" "$arch"); then
        reason="it no longer starts programs ($reason)"
    else
        return 0
    fi
    if [[ -n $reason ]]; then
        echo "Making the Wine prefix $prefix again: $reason"
    else
        echo "Preparing the Wine prefix $prefix"
    fi
    if ! make_prefix "$prefix" "$desktop" "$dpi" "$arch" || ! reason=$(starts_programs "$prefix" "$arch"); then
        echo "wine-prefix.sh: the new Wine prefix $prefix does not start programs: ${reason:-wineboot failed}." >&2
        [[ $arch == win64 ]] &&
            echo "  64-bit prefixes run 32-bit programs too, which needs wine32:i386 (or MIRVEL_SKIP_32BIT=1)." >&2
        return 1
    fi
    echo "$wanted" >"$record"
}

pids=()
for request in "$@"; do
    ensure "$request" &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
