#!/usr/bin/env bash
# Usage: scripts/fuzz.sh SECONDS [LIBFUZZER-FLAG...]
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/ and runs load -> write -> load for SECONDS. The working corpus lives in
# build-fuzz/corpus (seeded from the shared corpus when present, which is never written to);
# crashes and hangs land in build-fuzz/findings. Extra flags go to libFuzzer, e.g.
# -fork=1 -ignore_crashes=1 to keep searching after a finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-}"
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 SECONDS" >&2
  exit 2
fi

TONVELA_FUZZ=1 ./scripts/deps.sh

build=build-fuzz
CXX=clang++ CC=clang cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTONVELA_BUILD_FUZZ=ON -DTONVELA_SANITIZE=address,undefined,fuzzer-no-link \
  -DTONVELA_BUILD_TESTS=OFF -DTONVELA_BUILD_BENCH=OFF -DTONVELA_BUILD_CLI=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_load_write_load

corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
shared="${TONVELA_CORPUS_DIR:-../shared/corpus}"
if [ -d "$shared" ]; then
  find "$shared" -type f \( -name '*.mid' -o -name '*.midi' -o -name '*.kar' -o -name '*.rmi' \) \
    -exec cp -n -t "$corpus" {} +
fi
# The regression fixtures are seeds too: the inputs that once broke the model.
if [ -d tests/song/fixtures ]; then
  find tests/song/fixtures -type f -name '*.mid' -exec cp -n -t "$corpus" {} +
fi

# Real songs reach a few hundred kilobytes; longer inputs only slow the search down.
exec "$build/fuzz/fuzz_load_write_load" "$corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@"
