#!/usr/bin/env bash
# Sets up, builds, and runs the main job: a scan of the bundled demo environment.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build/bin/veridon-scan --version
build/bin/veridon-scan --help
