#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor with FILE (or the demo song).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tonvela tonvela-cli
file="${1:-examples/demo.mid}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display found, so the editor cannot show its window." >&2
  echo "  On a machine without a screen, run it under a virtual X server:" >&2
  echo "    sudo apt-get install xvfb xauth && xvfb-run -a -s '-screen 0 1280x900x24' ./run.sh ${1:-}" >&2
  echo "  The song as text, without a window: build/cli/tonvela-cli info $file" >&2
  exit 1
fi
exec build/gui/tonvela "$file"
