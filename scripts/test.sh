#!/usr/bin/env bash
# Builds Vantor and runs every test: the ordinary build, the ASan/UBSan build, and a short
# libFuzzer run of every fuzz target. Exits non-zero on any failure.
# Options via environment: VANTOR_SKIP_ASAN=1, VANTOR_SKIP_FUZZ=1, FUZZ_SECONDS (default 5).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh || { echo "dependency installation failed"; exit 1; }

export VANTOR_BROADCAST_ADDR=127.255.255.255
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-5}
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

count_ctest() {
  # "100% tests passed, 0 tests failed out of 42"
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  bad=$(echo "$line" | sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

run_suite() {  # name builddir cmake-args...
  local name=$1 dir=$2
  shift 2
  echo "=== $name: configure and build"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$log" 2>&1 || ! cmake --build "$dir" -j "$jobs" >>"$log" 2>&1; then
    tail -60 "$log"
    echo "$name: build failed"
    failed=$((failed + 1))
    return
  fi
  echo "=== $name: tests"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 300) 2>&1 | tee "$log"
  count_ctest
}

run_suite "release" build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "${VANTOR_SKIP_ASAN:-0}" != 1 ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_suite "asan+ubsan" build-asan -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE=ON -DVANTOR_BENCH=OFF
fi

if [ "${VANTOR_SKIP_FUZZ:-0}" != 1 ] && command -v clang++ >/dev/null; then
  echo "=== fuzz: configure and build"
  if CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
       -DVANTOR_FUZZ=ON -DVANTOR_TESTS=OFF -DVANTOR_BENCH=OFF >"$log" 2>&1; then
    mapfile -t fuzzers < <(grep -v '^$' build-fuzz/fuzzers.txt)
    if [ ${#fuzzers[@]} -gt 0 ] && cmake --build build-fuzz -j "$jobs" --target "${fuzzers[@]}" >>"$log" 2>&1; then
      for f in "${fuzzers[@]}"; do
        corpus=build-fuzz/corpus/$f
        mkdir -p "$corpus"
        seeds=$(find tests -type d -path "*/corpus/$f" | head -1)
        if build-fuzz/bin/"$f" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$corpus" ${seeds:+"$seeds"} >"$log" 2>&1; then
          echo "fuzz $f: ok ($(grep -oE '#[0-9]+' "$log" | tail -1 | tr -d '#') runs)"
          passed=$((passed + 1))
        else
          tail -40 "$log"
          echo "fuzz $f: FAILED"
          failed=$((failed + 1))
        fi
      done
    elif [ ${#fuzzers[@]} -gt 0 ]; then
      tail -60 "$log"; echo "fuzz: build failed"; failed=$((failed + 1))
    fi
  else
    tail -40 "$log"; echo "fuzz: configure failed"; failed=$((failed + 1))
  fi
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
