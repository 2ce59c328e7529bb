#!/usr/bin/env bash
# Configures and builds Orvalis in ./build (Release, Ninja) after installing what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Debian's own Python, whose headers python3-dev installs.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=/usr/bin/python3 "$@"
cmake --build build
