#!/usr/bin/env bash
# The speed benchmark: bash bench/run.sh [--scale 0.02] [--tools md5sum,veridon,clamscan,yara] ...
# Installs the peers from Debian when missing, builds the project (unless --no-build),
# then generates the tree and times every tool. See bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

tools="md5sum,veridon,clamscan,yara"
build=1
bin_given=0
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[i]}" in
    --tools) tools="${args[i + 1]:-}" ;;
    --tools=*) tools="${args[i]#--tools=}" ;;
    --bin | --bin=*) bin_given=1 ;;
    --no-build) build=0 ;;
    -h | --help) build=0 ;;
  esac
done

# command -> Debian package
declare -A needed=([python3]=python3 [hyperfine]=hyperfine [md5sum]=coreutils [/usr/bin/time]=time)
[[ ",$tools," == *,clamscan,* ]] && needed[clamscan]=clamav
[[ ",$tools," == *,yara,* ]] && needed[yara]=yara

missing=()
for cmd in "${!needed[@]}"; do
  command -v "$cmd" >/dev/null 2>&1 || missing+=("${needed[$cmd]}")
done
if ((${#missing[@]})); then
  echo "bench: installing ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" ||
    { $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; }
fi

# Our scanner is measured as built from this checkout; an explicit --bin is taken as it is.
if [[ ",$tools," == *,veridon,* ]] && ((build)) && ((!bin_given)); then
  echo "bench: building (scripts/setup.sh, scripts/build.sh)" >&2
  bash scripts/setup.sh
  bash scripts/build.sh
fi

exec python3 bench/bench.py "$@"
