#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Orvalis needs.
# Safe to run again; needs root (or sudo) on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev libcrypt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev
  libcli11-dev libglib2.0-dev
  mdbtools-dev
  pybind11-dev python3-dev
  # pip builds and installs the Python package offline, into a virtual environment, with
  # the system's setuptools and wheel; mypy checks its type stubs.
  python3-pip python3-venv python3-setuptools python3-wheel python3-mypy
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

# The conversion tests compare with a second reader of the old engine's files (mdb-reader,
# test-time only), installed into tests/tools from its lock file (npm from Debian where the machine has none).
if ! command -v npm >/dev/null 2>&1; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq nodejs npm || true
fi
if command -v npm >/dev/null 2>&1; then
  tools="$(dirname "$0")/../tests/tools"
  [ -d "$tools/node_modules/mdb-reader" ] || npm ci --prefix "$tools" --no-audit --no-fund --silent ||
    echo "setup: mdb-reader could not be installed; the tests that compare with it will say so" >&2
fi
