#!/usr/bin/env bash
# Installs what is missing, builds Filvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target filvane -j"$(nproc)"
exec build/src/filvane "$@"
