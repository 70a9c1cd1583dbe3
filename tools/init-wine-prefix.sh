#!/usr/bin/env bash
# Creates a fresh Wine prefix: init-wine-prefix.sh PREFIX [virtual-desktop] [dpi=N]
# With virtual-desktop, Wine draws its own desktop and window frames, so
# windows behave the same under Xvfb with no window manager; dpi=N sets the
# screen's DPI (96 unless said).
set -euo pipefail
prefix=$1
shift
desktop=no dpi=96
for option in "$@"; do
    case $option in
        virtual-desktop) desktop=yes ;;
        dpi=*) dpi=${option#dpi=} ;;
        *) echo "init-wine-prefix.sh: unknown option $option" >&2; exit 2 ;;
    esac
done

echo "Preparing the Wine prefix $prefix"
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wineboot -i >/dev/null 2>&1
# Wine's own Tahoma, Marlett and the rest, where its font search does not
# look (fonts-wine): without them the dialog font falls back to another and
# the caption buttons lose their glyphs.
fonts=/usr/share/wine/fonts
if ! compgen -G "$fonts/*.ttf" >/dev/null; then
    echo "init-wine-prefix.sh: no fonts in $fonts; install fonts-wine" >&2
    exit 1
fi
cp "$fonts"/*.ttf "$prefix/drive_c/windows/Fonts/"
# No sound device is wanted, nor looked for.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
if [[ $desktop == yes ]]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
fi
wineserver -w
