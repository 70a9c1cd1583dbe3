#!/usr/bin/env bash
# Every figure of docs/performance.md (make bench), each printed with what it
# measures:
#   run.sh NATIVE_DIR WINDOWS_DIR WINDOWS32_DIR WINE_PREFIX SCRATCH_DIR
# the core's speed natively (a Find, a rejected entry, long items, and each
# kind of decimal item against std::from_chars, for information); the reader
# of the x86 program against the x64 one's under Wine, in one run; start-up;
# and what each part of each executable costs, unsigned and signed, against
# its limit.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
native=$1 windows=$2 windows32=$3 prefix=$4 scratch=$5
mkdir -p "$scratch"
set -a
source "$root/tools/testbench/wine.env"
source "$root/packaging/size-limits.env"
set +a
export WINEPREFIX=$prefix

"$native/bench/matrix_bench" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_min_time=0.05

echo
echo "Reading an item under Wine, ns (x86 / x64):"
wine "$windows/reader_bench.exe" | tr -d '\r' >"$scratch/reader-x64.txt"
wine "$windows32/reader_bench.exe" | tr -d '\r' >"$scratch/reader-x86.txt"
paste "$scratch/reader-x64.txt" "$scratch/reader-x86.txt" |
    awk -F'\t' '{ printf "%-18s x64 %7.1f  x86 %7.1f  %5.2fx\n", $1, $2, $4, $4 / $2 }'

echo
xvfb-run -a wine "$windows/startup_bench.exe"

echo
python3 "$root/bench/size_by_part.py" "$windows/Mirvel.exe" "$windows/Mirvel.map" "$MIRVEL_MAX_BYTES_X64"
python3 "$root/bench/size_by_part.py" "$windows32/Mirvel.exe" "$windows32/Mirvel.map" "$MIRVEL_MAX_BYTES_X86"

# Signed with a throwaway CA's certificate (a chain of two), as a release is.
"$root/tests/packaging/throwaway-signer.sh" "$scratch/signer"
source "$scratch/signer/signer.env"
"$root/tools/packaging/make-dist.sh" "$scratch/dist" x64="$windows/Mirvel.exe" x86="$windows32/Mirvel.exe" >/dev/null
source "$root/tools/packaging/release-names.sh"
for arch in x64 x86; do
    zip=$(echo "$scratch/dist/"$(release_zip '*' $arch))
    echo "$(basename "$zip")'s Mirvel.exe signed: $(unzip -p "$zip" Mirvel.exe | wc -c) bytes" \
        "(limit $MIRVEL_MAX_BYTES_SIGNED)"
done
