#!/usr/bin/env bash
# Builds the platform fuzzers (PE images, URL cache indexes, Wine registry files)
# with clang in
# ./build-fuzz and runs each for a while. Crashes land in
# build-fuzz/findings/<target>/ and make the script fail.
# Usage: tests/fuzz/run-platform-fuzz.sh [SECONDS]   (default 60 per target)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
[ -f build-fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERIDON_FUZZ=ON
cmake --build build-fuzz -j2 --target pe_image_fuzz url_cache_index_fuzz wine_registry_file_fuzz \
  platform_fuzz_seeds
corpus=build-fuzz/fuzz-corpus
[ -d "$corpus/pe" ] || build-fuzz/tests/platform_fuzz_seeds "$corpus"
status=0
for pair in pe_image_fuzz:pe url_cache_index_fuzz:urlcache wine_registry_file_fuzz:registry; do
  target=${pair%%:*}
  mkdir -p "build-fuzz/findings/$target"
  echo "== $target for ${seconds}s"
  "build-fuzz/tests/$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 \
    -timeout=10 -artifact_prefix="build-fuzz/findings/$target/" "$corpus/${pair##*:}" || status=1
done
exit $status
