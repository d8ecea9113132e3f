#!/usr/bin/env bash
# Builds Velmora and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF
cmake --build build/release -j "$(nproc)" --target velmora
exec build/release/src/gui/velmora "$@"
