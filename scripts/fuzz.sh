#!/usr/bin/env bash
# Usage: scripts/fuzz.sh SECONDS [TARGET] [LIBFUZZER-FLAG...]
# TARGET is a file name in fuzz/ without .cpp:
#   load_write_load (default)  load -> write -> load, strict and recovering
#   journal_ops                edits, undo, redo, save and reload applied to a loaded song
#   effect_apply               an effect file loaded and applied to a small song
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/ and runs TARGET for SECONDS. The working corpus lives in build-fuzz/corpus-TARGET,
# seeded with the small files of the shared corpus (which is never written to) and the
# regression fixtures; crashes and hangs land in build-fuzz/findings-TARGET. Extra flags go to
# libFuzzer, e.g. -fork=1 -ignore_crashes=1 to keep searching after a finding.
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

# Small inputs explore far more per second; real songs are covered by the corpus tests.
max_len=8192
corpus="$build/corpus-$target"
findings="$build/findings-$target"
mkdir -p "$corpus" "$findings"

midiSeeds() {
  local shared="${TONVELA_CORPUS_DIR:-../shared/corpus}"
  if [ -d "$shared" ]; then
    find "$shared" -type f \( -name '*.mid' -o -name '*.midi' -o -name '*.kar' -o -name '*.rmi' \) \
      -size -$((max_len - 64))c -print0
  fi
  # The regression fixtures are seeds too: the inputs that once broke the model.
  find tests/song/fixtures -type f -name '*.mid' -print0
}

case "$target" in
  effect_apply)
    # Effect files: the seeds of every type and the inputs that once broke the effect engine.
    find tests/effects/fixtures -type f -name '*.fxl' -exec cp -n -t "$corpus" {} +
    max_len=4096
    ;;
  journal_ops)
    # Input: the file's length (two bytes, little endian), the file, then operations
    # (printf's format holds them: a shell string cannot hold a zero byte).
    ops='\x00\x01\x01\x10\x00\x03\x04\x40\x06\x01\x09\x01\x0a\x01\x04\x01\x02\x00\x80\x00\x0f\x01\x03\x00\x09\x01\x0c'
    while IFS= read -r -d '' f; do
      size=$(stat -c %s "$f")
      out="$corpus/$(basename "$f").ops"
      [ -e "$out" ] && continue
      { printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size >> 8)))"; cat "$f"; printf "$ops"; } >"$out"
    done < <(midiSeeds)
    # And the edit sequences that once broke the journal.
    find tests/song/fixtures/journal_ops -type f -name '*.ops' -exec cp -n -t "$corpus" {} +
    ;;
  *)
    while IFS= read -r -d '' f; do cp -n "$f" "$corpus/"; done < <(midiSeeds)
    ;;
esac

exec "$build/fuzz/fuzz_$target" "$corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
  -artifact_prefix="$findings/" -print_final_stats=1 "$@"
