#!/usr/bin/env bash
# Writes the image fuzzers' seed files (fuzz/corpus/{bmp,gif,jpeg,png}) with the same builders the
# image tests use, so the seeds are made here and never taken from elsewhere.
# Usage: tests/framework/make_image_corpus.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target framework_tests >/dev/null
TEVRIK_IMAGE_CORPUS="$PWD/fuzz/corpus" "$build/tests/framework_tests" --gtest_filter=ImageSeeds.WrittenOnRequest >/dev/null
ls fuzz/corpus/bmp fuzz/corpus/gif fuzz/corpus/jpeg fuzz/corpus/png
