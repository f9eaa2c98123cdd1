#!/usr/bin/env bash
# Fuzz smoke run of the archive reader: builds the file layer with clang's
# libFuzzer, AddressSanitizer and UBSan in its own small tree (build/fuzz)
# and runs it for a few seconds from seeds the target writes itself.
# Exits non-zero when the fuzzer finds a crash, a leak or undefined behaviour.
#   FUZZ_SECONDS   how long to run (default 8)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-8}
cxx=${FUZZ_CXX:-clang++}
mkdir -p "$out/obj"

sources=(
  "$root"/library/core/file/*.cpp
  "$root/library/platform/text_iconv.cpp"
  "$root/assets/tools/lz_encode.cpp"
  "$root/fuzz/archive_fuzz.cpp"
  "$root/fuzz/core_stubs.cpp"
)
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root/library" -I"$root/library/include" -I"$root/tests/library/core/file" -I"$root/assets/tools" -DZVPACK_PATH='""')

# Rebuilt only when a source or header is newer than the target.
target=$out/archive_fuzz
if [ ! -x "$target" ] || [ -n "$(find "$root/library/core" "$root/library/include" "$root/library/platform" "$root/fuzz" \
      "$root/assets/tools" "$root/tests/library/core/file" -newer "$target" \( -name '*.cpp' -o -name '*.h' \) | head -1)" ]; then
  echo "fuzz-smoke: building $target"
  objects=()
  pids=()
  for s in "${sources[@]}"; do
    o=$out/obj/$(echo "${s#$root/}" | tr / _).o
    objects+=("$o")
    "$cxx" "${flags[@]}" -c "$s" -o "$o" &
    pids+=($!)
    # At most one compile per core at a time.
    if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
  done
  for p in "${pids[@]}"; do wait "$p"; done
  "$cxx" "${flags[@]}" "${objects[@]}" -o "$target"
fi

corpus=$out/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
echo "fuzz-smoke: archive reader for ${seconds}s"
ZV_FUZZ_SEED_DIR=$corpus "$target" "$corpus" -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/" 2>"$out/fuzz.log" || {
  tail -60 "$out/fuzz.log"
  echo "fuzz-smoke: the archive reader failed; the input is in $out/" >&2
  exit 1
}
grep -E 'stat::number_of_executed_units|Done' "$out/fuzz.log" | tail -2
