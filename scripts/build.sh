#!/usr/bin/env bash
# Configures and builds Orvalis in ./build (Release, Ninja) after installing what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build build
