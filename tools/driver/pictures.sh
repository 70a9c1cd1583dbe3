#!/usr/bin/env bash
# Run under an X server (xvfb-run): photographs Mirvel's window and a result
# message into the given folder, with an optional suffix to the names.
# Usage: pictures.sh DRIVER.exe OUTPUT_FOLDER [SUFFIX]
set -euo pipefail
driver=$1
output=$2
suffix=${3:-}

photograph() {  # STEP NAME
    # Through a file, not a pipe: the program started by the driver would
    # hold a pipe open for as long as it runs.
    local area
    wine "$driver" "$1" >"$output/area.txt"
    area=$(tr -d '\r' <"$output/area.txt")
    rm -f "$output/area.txt"
    import -window root -crop "$area" +repage "$output/$2.png"
    echo "$output/$2.png"
}

photograph start "mirvel-window$suffix"
photograph find "mirvel-result$suffix"
wine "$driver" close
