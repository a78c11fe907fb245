#!/usr/bin/env bash
# Decode-and-display cost of 16 streams of 1280x720 H.264 at 25 fps into 16 windows of 320x180,
# against `ffmpeg -f null` decoding the same streams. Starts its own Xvfb and stops it again.
# Usage: bench/tarsil/run_bench.sh [build-dir] [seconds=8]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-8}
bin=$build/bin/bench_tarsil_display
[ -x "$bin" ] || { echo "build the bench_tarsil_display target first ($bin)"; exit 1; }
work=$(mktemp -d)
xpid=""
cleanup() { [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# A camera-like stream: key frame every 2 s, no B-frames, about 2 Mbit/s.
ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc2=size=1280x720:rate=25" -t "$seconds" \
  -c:v libx264 -preset veryfast -g 50 -bf 0 -b:v 2M -pix_fmt yuv420p \
  -bsf:v h264_metadata=aud=insert -f h264 "$work/stream.h264"

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
xpid=$!
read -r -t 10 number < "$work/displayfd" || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$number" "$bin" "$work/stream.h264" 16 320 180
