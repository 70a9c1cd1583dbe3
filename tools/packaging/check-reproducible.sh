#!/usr/bin/env bash
# Builds the committed sources twice, in two folders and at two times, and
# compares every file make dist made: a release must be the same bytes
# wherever and whenever it is built.
set -euo pipefail
cd "$(dirname "$0")/../.."

commit=$(git rev-parse HEAD)
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
    echo "note: uncommitted changes are left out; this checks commit $commit"
work=$(mktemp -d /tmp/mirvel-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT

for run in first second-run-elsewhere; do
    git clone --quiet --no-hardlinks . "$work/$run"
    git -C "$work/$run" checkout --quiet "$commit"
    echo "building $commit in $work/$run"
    (cd "$work/$run" && make --no-print-directory dist >"$work/$run.log" 2>&1) || {
        tail -n 30 "$work/$run.log"
        echo "make reproducible: the $run build failed" >&2
        exit 1
    }
    sleep 2  # a different clock for the second build
done

different=0
for file in "$work/first/dist"/*; do
    name=$(basename "$file")
    if cmp -s "$file" "$work/second-run-elsewhere/dist/$name"; then
        echo "same   $(sha256sum "$file" | cut -c1-64)  $name"
    else
        echo "DIFFER $name"
        different=$((different + 1))
    fi
done
[[ $(ls "$work/first/dist" | wc -l) -eq $(ls "$work/second-run-elsewhere/dist" | wc -l) ]] || different=$((different + 1))
if [[ $different -ne 0 ]]; then
    echo "make reproducible: $different files differ between the two builds" >&2
    exit 1
fi
echo "make reproducible: both builds of $commit made the same bytes"
