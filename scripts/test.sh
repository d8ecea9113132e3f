#!/usr/bin/env bash
# Checks the source format; builds Velmora with warnings as errors and runs every test; then the
# core, command line and widget tests once more under AddressSanitizer and UndefinedBehaviorSanitizer;
# then a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${VELMORA_FUZZ_SECONDS:-20}

echo "== format"
# One style for every source file (.clang-format); hand-aligned tables sit between
# "clang-format off" and "clang-format on".
find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror

echo "== build and test"
# Every option set explicitly: scripts/run.sh shares this build folder with the tests switched off.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON -DVELMORA_GUI=ON \
    -DVELMORA_TESTS=ON -DVELMORA_BENCH=ON -DVELMORA_SANITIZE=OFF -DVELMORA_FUZZ=OFF
cmake --build build/release -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/release --output-on-failure --no-tests=error -j "$jobs"

echo "== tests with sanitizers"
# Without the benchmarks: they measure nothing under sanitizers.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WERROR=ON -DVELMORA_SANITIZE=ON \
    -DVELMORA_GUI=ON -DVELMORA_TESTS=ON -DVELMORA_BENCH=OFF -DVELMORA_FUZZ=OFF
cmake --build build/asan -j "$jobs"
# The install and package checks look at files, not memory, and the engine tests drive the real
# game, whose run time the sanitizers multiply: the plain build has run them once.
ctest --test-dir build/asan --output-on-failure --no-tests=error -j "$jobs" -LE "gui|install|e2e"
# Qt, the font libraries and the display plugin keep allocations until the process ends, which the
# leak checker cannot tell from ours; the widget tests run with every other check.
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    ctest --test-dir build/asan --output-on-failure --no-tests=error -j "$jobs" -L gui

echo "== fuzz smoke (${fuzz_seconds}s each)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVELMORA_FUZZ=ON -DVELMORA_GUI=OFF -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF
cmake --build build/fuzz -j "$jobs"
for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    seeds="fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
    echo "-- $name"
    "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$name-" "$work" 2>&1 | tail -n 12
    rm -rf "$work"
done
echo "== all tests passed"
