#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the core and its tests
# under AddressSanitizer + UndefinedBehaviorSanitizer, then the playback tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONVELA_SANITIZE=address,undefined \
  -DTONVELA_BUILD_BENCH=OFF -DTONVELA_BUILD_GUI=OFF >/dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" --timeout 900)

if [ -d tests/output ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVELA_SANITIZE=thread \
    -DTONVELA_BUILD_BENCH=OFF -DTONVELA_BUILD_CLI=OFF -DTONVELA_BUILD_GUI=OFF >/dev/null
  cmake --build build-tsan -j "$jobs" --target tonvela_tests_output
  (cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" -L output --timeout 900)
fi
