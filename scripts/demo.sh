#!/usr/bin/env bash
# The demo: simulated devices on loopback (tools/devsim/demo-fleet.xml). The desktop client
# joins the demo later; until then the devices can be tried with any HTTP client and through
# the control commands typed here. Ctrl-C ends it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh

build=${VANTOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target devsim -j "$(nproc)"

# Discovery and LAN search stay on loopback.
export VANTOR_BROADCAST_ADDR=127.255.255.255

cat <<'TEXT'

Vantor demo: starting the device simulator with the demo fleet.
The desktop client will join this demo later; for now try, for example:
  curl 'http://127.0.0.12:8082/get_status.cgi?loginuse=admin&loginpas=admin&'
  curl 'http://127.0.0.11:8081/snapshot.cgi?loginuse=admin&loginpas=admin&' -o snapshot.jpg
and type control commands below (help, list, alarm VSIM000002SIMAA motion, stats *, ...).
Ctrl-C ends the demo.

TEXT
exec "$build/bin/devsim" --fleet tools/devsim/demo-fleet.xml
