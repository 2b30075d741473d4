#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into ./build-fuzz and runs each for a
# while (default 60 s; first argument overrides). Crashes land in
# build-fuzz/findings/<target>/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERIDON_FUZZ=ON
fi
cmake --build build-fuzz -j2 --target fuzz_pe_image fuzz_url_cache_index fuzz_wine_registry_file fuzz_seeds
seeds=build-fuzz/seeds
[ -d "$seeds/pe" ] || ./build-fuzz/bin/fuzz_seeds "$seeds"
status=0
for pair in "fuzz_pe_image:pe" "fuzz_url_cache_index:urlcache" "fuzz_wine_registry_file:registry"; do
  target="${pair%%:*}"; corpus="build-fuzz/corpus/${pair##*:}"
  mkdir -p "$corpus" "build-fuzz/findings/$target"
  cp -n "$seeds/${pair##*:}"/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  "./build-fuzz/bin/$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 \
    -artifact_prefix="build-fuzz/findings/$target/" "$corpus" || status=1
done
exit $status
