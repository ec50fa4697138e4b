#!/usr/bin/env bash
# How much of the protocol handlers and the model the fuzzers reach. Each fuzzer runs a fixed
# number of inputs with a fixed seed from its seed corpus, with the options CI gives it; a build
# with source-based coverage then replays the corpus that run grew, and llvm-cov reports the line
# coverage of the handler files and of the model, per fuzzer and for all of them together.
#
#   scripts/fuzz_coverage.sh [runs]        (default 200000 inputs per fuzzer)
#
# TEVRIK_FUZZ_COVERAGE_FILES=1 adds the line coverage of each handler and model file.
# Builds in build-fuzz (as scripts/test.sh does) and build-fuzz-cov; works in a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-200000}
jobs=$(nproc 2>/dev/null || echo 2)
targets=(fuzz_session fuzz_chat fuzz_lsta fuzz_memo)
. scripts/fuzz_options.sh

compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
command -v ccache >/dev/null && compilers+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRIK_FUZZ=ON "${compilers[@]}" >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzzers >/dev/null
cov="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B build-fuzz-cov -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRIK_FUZZ=ON "${compilers[@]}" \
  "-DCMAKE_C_FLAGS=$cov" "-DCMAKE_CXX_FLAGS=$cov" -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build build-fuzz-cov -j "$jobs" --target fuzzers >/dev/null

work=$(mktemp -d)
# TEVRIK_FUZZ_COVERAGE_KEEP=1 keeps the corpora and profiles for a closer look.
if [ -n "${TEVRIK_FUZZ_COVERAGE_KEEP:-}" ]; then echo "corpora and profiles in $work"; else trap 'rm -rf "$work"' EXIT; fi
handlers=$(ls messenger/protocol/*Commands.cpp messenger/protocol/{Lsta,SignIn,Envelopes}.cpp)
model=$(ls messenger/model/*.cpp)

# Line coverage of the files from a profile: "covered/lines (percent)". Every fuzzer program is
# given, so each target is measured against the same lines, also those it does not link. The
# programs name their sources by the paths they were compiled with, hence the normalising.
lines() {
  local profile=$1; shift
  # shellcheck disable=SC2046
  llvm-cov export -summary-only "${programs[0]}" $(printf -- '-object %s ' "${programs[@]:1}") \
    -instr-profile="$profile" 2>/dev/null | python3 -c '
import json, os, sys
wanted = {os.path.realpath(f) for f in sys.argv[1:]}
covered = total = 0
for f in json.load(sys.stdin)["data"][0]["files"]:
    if os.path.realpath(f["filename"]) in wanted:
        covered += f["summary"]["lines"]["covered"]
        total += f["summary"]["lines"]["count"]
print("%d/%d (%.1f%%)" % (covered, total, 100.0 * covered / total if total else 0.0))
' "$@"
}

programs=()
for name in "${targets[@]}"; do
  corpus="$work/$name"
  mkdir -p "$corpus"
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  # shellcheck disable=SC2046
  build-fuzz/fuzz/$name -seed=1 -runs="$runs" -print_final_stats=0 $(fuzz_options "$name" "$root") "$corpus" \
    >"$work/$name.log" 2>&1 || { tail -n 30 "$work/$name.log"; exit 1; }
  LLVM_PROFILE_FILE="$work/$name.profraw" build-fuzz-cov/fuzz/$name -runs=0 "$corpus" >/dev/null 2>&1
  llvm-profdata merge -sparse "$work/$name.profraw" -o "$work/$name.profdata"
  programs+=("build-fuzz-cov/fuzz/$name")
done
llvm-profdata merge -sparse "$work"/*.profraw -o "$work/all.profdata" 2>/dev/null

printf '%-14s %-8s %-26s %s\n' fuzzer inputs "handlers, lines covered" "model, lines covered"
for name in "${targets[@]}" all; do
  count=-
  [ "$name" != all ] && count=$(ls "$work/$name" | wc -l)
  # shellcheck disable=SC2086
  printf '%-14s %-8s %-26s %s\n' "$name" "$count" "$(lines "$work/$name.profdata" $handlers)" "$(lines "$work/$name.profdata" $model)"
done
if [ -n "${TEVRIK_FUZZ_COVERAGE_FILES:-}" ]; then
  printf '%-44s %6s %6s %8s\n' "all fuzzers together" lines missed covered
  # shellcheck disable=SC2046
  llvm-cov report "${programs[0]}" $(printf -- '-object %s ' "${programs[@]:1}") -instr-profile="$work/all.profdata" \
    2>/dev/null | awk '/messenger\/(protocol|model)\/.*\.cpp/ { printf "%-44s %6s %6s %8s\n", $1, $8, $9, $10 }'
fi
