#!/usr/bin/env bash
# Creates a fresh Wine prefix: init-wine-prefix.sh PREFIX [virtual-desktop]
# With virtual-desktop, Wine draws its own desktop and window frames, so
# windows behave the same under Xvfb with no window manager.
set -euo pipefail
prefix=$1
mode=${2:-}

echo "Preparing the Wine prefix $prefix"
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wineboot -i >/dev/null 2>&1
# No sound device is wanted, nor looked for.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
if [[ $mode == virtual-desktop ]]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
fi
wineserver -w
