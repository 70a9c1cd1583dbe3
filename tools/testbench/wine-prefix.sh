#!/usr/bin/env bash
# Runs Windows programs in the Wine prefix MIRVEL_WINE_PREFIX=FOLDER/NAME,
# which lives at FOLDER/WINE/NAME: WINE names the Wine that runs, so a prefix
# only ever meets the Wine that made it. Without MIRVEL_WINE_PREFIX, wine
# runs in the environment's WINEPREFIX.
#   wine-prefix.sh make [OPTION...]   makes the prefix, unless it is made
#   wine-prefix.sh exec COMMAND...    runs COMMAND with WINEPREFIX set to it
# Options of a new prefix: virtual-desktop (Wine draws its own desktop and
# window frames, the same under Xvfb with no window manager), dpi=N (96
# unless said), arch=win32 (else a 64-bit one, which runs 32-bit programs too).
set -euo pipefail
# How every test and tool runs Wine: no Mono or Gecko installer dialog may
# block a run, and Wine's debug channels stay quiet (its fixme noise would
# bury a failing test's output).
export WINEDLLOVERRIDES=mscoree,mshtml= WINEDEBUG=-all

if [[ -n ${MIRVEL_WINE_PREFIX:-} ]]; then
    wine_name=$(wine --version | tr -cs 'A-Za-z0-9.+~' '-')
    export WINEPREFIX=$(dirname "$MIRVEL_WINE_PREFIX")/${wine_name%-}/$(basename "$MIRVEL_WINE_PREFIX")
fi

# The mark of a prefix whose making ran to its end.
made=${WINEPREFIX:-}/mirvel-made.txt

make_prefix() {
    local option dpi=96
    [[ -n ${MIRVEL_WINE_PREFIX:-} ]] || { echo "wine-prefix.sh: MIRVEL_WINE_PREFIX is not set" >&2; exit 2; }
    # One process makes it; any other that asks meanwhile waits, and finds it made.
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec {lock}>"$WINEPREFIX.lock"
    flock "$lock"
    [[ -f $made ]] && return 0
    unset DISPLAY  # a prefix is made without an X server
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    export WINEARCH=win64
    for option; do
        case $option in
            virtual-desktop | arch=win32) ;;
            dpi=*) dpi=${option#dpi=} ;;
            *) echo "wine-prefix.sh: unknown option $option" >&2; exit 2 ;;
        esac
        [[ $option != arch=win32 ]] || WINEARCH=win32
    done
    echo "Making the Wine prefix $WINEPREFIX ($*)"
    wineboot -i >/dev/null
    # Wine's own Tahoma, Marlett and the rest (fonts-wine), which Debian's Wine
    # does not find by itself: the dialog font and the caption buttons' glyphs.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # No sound device is wanted, nor looked for.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    if [[ " $* " == *" virtual-desktop "* ]]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null
    fi
    wineserver -w
    echo "$*" >"$made"
}

case ${1:-} in
    make) shift; make_prefix "$@" ;;
    exec) shift; exec "$@" ;;
    *) sed -n '2,10s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
