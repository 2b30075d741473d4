#!/usr/bin/env bash
# Builds the archive fuzzer with clang in ./build-fuzz and runs it for a while.
# Usage: tests/fuzz/run-archive-fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
[ -f build-fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERIDON_FUZZ=ON
cmake --build build-fuzz -j2 --target archive_fuzz archive_fuzz_seeds
corpus=build-fuzz/fuzz-corpus/archive
build-fuzz/tests/archive_fuzz_seeds "$corpus"
build-fuzz/tests/archive_fuzz -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 \
  -timeout=10 "$corpus"
