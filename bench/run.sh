#!/usr/bin/env bash
# Builds Velmora and measures it next to plain ffmpeg; prints one line per
# figure. ROUNDS (default 5) sets the rounds of each figure; the median is
# reported. Takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${ROUNDS:-5}
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
bench="$root/build/bench/velmora_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clip() {  # clip NAME SECONDS SIZE
  ffmpeg -loglevel error -y -f lavfi -i "testsrc=size=$3:rate=25:duration=$2" \
    -f lavfi -i "sine=frequency=440:duration=$2" -pix_fmt yuv420p -shortest "$work/$1"
}
clip short.mp4 2 160x120
clip medium.mp4 20 640x360
clip long-a.mp4 30 320x240
clip long-b.mp4 240 320x240

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(. /etc/os-release; echo "$PRETTY_NAME"), $(ffmpeg -version | head -1 | cut -d' ' -f1-3)"
echo "rounds: $rounds (median)"
export QT_QPA_PLATFORM=offscreen
"$bench" startup "$rounds" 2>/dev/null
"$bench" idle-cpu 3 2>/dev/null
"$bench" probe "$work/medium.mp4" "$rounds" 2>/dev/null
"$bench" preview "$work/medium.mp4" "$rounds" 2>/dev/null
"$bench" convert "$work/medium.mp4" "$rounds" 2>/dev/null
"$bench" memory "$work/long-a.mp4" "$work/long-b.mp4" 2>/dev/null
