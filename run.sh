#!/usr/bin/env bash
# Installs what is missing, builds, and shows the song FILE (or the demo song).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tonvela-cli
file="${1:-examples/demo.mid}"
exec build/cli/tonvela-cli info "$file"
