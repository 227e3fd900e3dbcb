#!/usr/bin/env bash
# Usage: scripts/fuzz.sh SECONDS [TARGET] [LIBFUZZER-FLAG...]
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/ and runs TARGET (a file name in fuzz/ without .cpp; default load_write_load) for
# SECONDS. The working corpus lives in build-fuzz/corpus-TARGET (seeded from the shared corpus
# and the regression fixtures, which are never written to); crashes and hangs land in
# build-fuzz/findings-TARGET. Extra flags go to libFuzzer, e.g. -fork=1 -ignore_crashes=1 to
# keep searching after a finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-}"
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 SECONDS [TARGET] [LIBFUZZER-FLAG...]" >&2
  exit 2
fi
target=load_write_load
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
  target="$1"
  shift
fi
if [ ! -f "fuzz/$target.cpp" ]; then
  echo "$0: no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi

TONVELA_FUZZ=1 ./scripts/deps.sh

build=build-fuzz
CXX=clang++ CC=clang cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTONVELA_BUILD_FUZZ=ON -DTONVELA_SANITIZE=address,undefined,fuzzer-no-link \
  -DTONVELA_BUILD_TESTS=OFF -DTONVELA_BUILD_BENCH=OFF -DTONVELA_BUILD_CLI=OFF -DTONVELA_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target"

corpus="$build/corpus-$target"
findings="$build/findings-$target"
mkdir -p "$corpus" "$findings"
max_len=65536
case "$target" in
  effect_apply)
    # Effect files: the seeds of every type and the inputs that once broke the effect engine.
    find tests/effects/fixtures -type f -name '*.fxl' -exec cp -n -t "$corpus" {} +
    max_len=4096
    ;;
  *)
    shared="${TONVELA_CORPUS_DIR:-../shared/corpus}"
    if [ -d "$shared" ]; then
      find "$shared" -type f \( -name '*.mid' -o -name '*.midi' -o -name '*.kar' -o -name '*.rmi' \) \
        -exec cp -n -t "$corpus" {} +
    fi
    # The regression fixtures are seeds too: the inputs that once broke the model.
    if [ -d tests/song/fixtures ]; then
      find tests/song/fixtures -type f -name '*.mid' -exec cp -n -t "$corpus" {} +
    fi
    ;;
esac

# Real songs reach a few hundred kilobytes; longer inputs only slow the search down.
exec "$build/fuzz/fuzz_$target" "$corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@"
