#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
# A test that fails is run once more before the run counts as failed: the
# end-to-end scans look at every process of a busy machine.
ctest --test-dir build --output-on-failure -j 2 --repeat until-pass:2
