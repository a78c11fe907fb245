#!/usr/bin/env bash
# The client showing 16 simulated 1280x720 25 fps cameras in a 16-pane grid: CPU time and
# memory of the client over a measuring window, against `ffmpeg -f null` decoding the same
# number of frames of the same streams (captured from the simulator) in the same script.
# Everything runs on loopback and on a private Xvfb.
# Usage: bench/client/run_bench.sh [build-dir] [seconds=60]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
cameras=16
for b in devsim vantor vantor-cli; do
  [ -x "$build/bin/$b" ] || { echo "build the $b target first ($build/bin/$b)"; exit 1; }
done
export VANTOR_BROADCAST_ADDR=127.255.255.255
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The fleet: distinct IDs (each picture carries its own label), all 1280x720 at 25 fps.
{
  echo '<fleet>'
  for i in $(seq 1 $cameras); do
    printf '  <device id="VBEN%06dSIMAA" name="Bench %d" kind="camera" user="admin" password="admin" width="1280" height="720" fps="25" recordings="0"/>\n' "$i" "$i"
  done
  echo '</fleet>'
} >"$work/fleet.xml"
"$build/bin/devsim" --fleet "$work/fleet.xml" --no-stdin --lan-search-port 0 \
  --control "$work/devsim.sock" >"$work/devsim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/devsim.sock" ] && break; sleep 0.1; done

# Reference input: 8 s of one camera's live stream, heads stripped to plain Annex B.
"$build/bin/vantor-cli" --id VBEN000001SIMAA --user admin --password admin stream 8 "$work/live.bin" >/dev/null
frames_per_stream=$((seconds * 25))
# Repeated from its first key frame until it holds the frames of the whole window (the raw
# H.264 demuxer cannot loop its input).
python3 - "$work/live.bin" "$work/live.h264" "$frames_per_stream" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
units, pos = [], 0
while pos + 32 <= len(data):
    magic, kind = struct.unpack_from("<IB", data, pos)
    length = struct.unpack_from("<I", data, pos + 16)[0]
    if magic != 0xA815AA55:
        sys.exit("bad frame head in the capture")
    if kind in (0, 1) and (units or kind == 0):
        units.append(data[pos + 32:pos + 32 + length])
    pos += 32 + length
if not units:
    sys.exit("no video in the capture")
need = int(sys.argv[3])
with open(sys.argv[2], "wb") as f:
    for i in range(need):
        f.write(units[i % len(units)])
PY

# Client: a prepared data folder with the 16 cameras auto-started into 16 panes.
python3 "$root/scripts/demo_home.py" "$work/fleet.xml" "$work/home" --panes 16
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
"$build/bin/vantor" --home "$work/home" --auto-login >"$work/client.log" 2>&1 &
client=$!
pids+=($client)

ticks=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Let the start-up sequence connect every camera and the streams settle.
sleep 20
c0=$(cpu_of $client); t0=$(date +%s.%N)
peak_kb=0
end=$(( $(date +%s) + seconds ))
while [ "$(date +%s)" -lt "$end" ]; do
  kb=$(awk '/VmRSS/ {print $2}' "/proc/$client/status")
  [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
  sleep 1
done
c1=$(cpu_of $client); t1=$(date +%s.%N)
client_cpu=$(python3 -c "print(($c1 - $c0) / $ticks)")
wall=$(python3 -c "print($t1 - $t0)")
hwm_kb=$(awk '/VmHWM/ {print $2}' "/proc/$client/status")
xwd -root -silent -out "$work/shot.xwd" && ffmpeg -nostdin -loglevel error -y -i "$work/shot.xwd" "$build/bench-client-shot.png" || true
kill $client; wait $client 2>/dev/null || true

# Reference: ffmpeg decodes the same number of frames of the same stream, 16 times at once,
# one thread each (the client decodes each stream on one thread too).
ref() {
  python3 - "$work/live.h264" "$frames_per_stream" "$cameras" "$@" <<'PY'
import resource, subprocess, sys
path, frames, n, extra = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
cmd = ["ffmpeg", "-nostdin", "-loglevel", "error", "-threads", "1",
       "-f", "h264", "-i", path, "-frames:v", frames] + extra + ["-f", "null", "-"]
procs = [subprocess.Popen(cmd) for _ in range(n)]
for p in procs:
    p.wait()
u = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{u.ru_utime + u.ru_stime:.2f}")
PY
}
ref_cpu=$(ref)
# A second reference that also scales every picture to the pane size in BGR, as the display
# must: the share of the client's cost that is drawing rather than decoding.
pane_w=$(( (1920 * 3 / 4 - 253) / 4 )); pane_h=$(( (1080 * 13 / 16 - 51) / 4 ))
ref_scaled_cpu=$(ref -vf "scale=${pane_w}:${pane_h}:flags=fast_bilinear,format=bgr0")
echo
printf 'client:    %.2f s CPU over %.1f s wall (%d streams in %d panes), RSS peak %d MB (VmHWM %d MB)\n' \
  "$client_cpu" "$wall" "$cameras" "$cameras" $((peak_kb / 1024)) $((hwm_kb / 1024))
printf 'reference: %.2f s CPU for ffmpeg -threads 1 -f null, %d x %d frames\n' \
  "$ref_cpu" "$cameras" "$frames_per_stream"
printf 'reference with scaling to %dx%d BGR: %.2f s CPU\n' "$pane_w" "$pane_h" "$ref_scaled_cpu"
printf 'ratio client/decode: %.2f, client/(decode+scale): %.2f (CPU for the same number of frames;\n' \
  "$(python3 -c "print($client_cpu / $ref_cpu * $seconds / $wall)")" \
  "$(python3 -c "print($client_cpu / $ref_scaled_cpu * $seconds / $wall)")"
echo "the client also receives, orders and shows them). Screenshot: $build/bench-client-shot.png"
