#!/usr/bin/env bash
# Builds and runs every test: a normal build, then an AddressSanitizer + UndefinedBehaviorSanitizer
# build, both through CTest; then, when clang is there, each fuzzer for a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/setup.sh
./scripts/check_layers.sh

jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${TEVRIK_FUZZ_SECONDS:-20}

build_and_test() {
  local dir=$1; shift
  echo "==> building $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "==> testing $dir"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300)
}

build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DTEVRIK_SANITIZE=ON -DTEVRIK_BENCH=OFF

if command -v clang++ >/dev/null 2>&1 && [ -n "$(ls fuzz/fuzz_*.cpp 2>/dev/null)" ]; then
  echo "==> building the fuzzers"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRIK_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  . scripts/fuzz_options.sh
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  for f in build-fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus="$root/fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "==> fuzzing $name for ${fuzz_seconds}s"
    # shellcheck disable=SC2046
    log=$(mktemp)
    if ! "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 $(fuzz_options "$name" "$root") "$work" >"$log" 2>&1; then
      # The sanitizer's report and the input that failed, without libFuzzer's progress lines.
      grep -v '^#[0-9]' "$log" | tail -n 80
      exit 1
    fi
    tail -n 3 "$log"
    rm -rf "$work" "$log"
  done
else
  echo "==> clang or fuzzers not there: fuzzing skipped"
fi
echo "==> all tests passed"
