#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs every test twice: a normal build, and one
# under AddressSanitizer and UndefinedBehaviorSanitizer where any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== formatting (clang-format)"
# Our own sources only: generated files in the build folders follow no style of ours.
find src tests bench tools -name '*.cpp' -o -name '*.h' -o -name '*.c' |
    sort | xargs clang-format --dry-run --Werror

echo "== the core's folders (no include cycle between them)"
python3 tools/check_core_folders.py .

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizer build (address, undefined)"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DFILVANE_SANITIZE=ON \
    -DFILVANE_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
echo "== all tests passed"
