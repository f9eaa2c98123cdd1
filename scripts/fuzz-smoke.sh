#!/usr/bin/env bash
# Fuzz smoke run of the archive reader: builds the file layer with clang's
# libFuzzer, AddressSanitizer and UBSan in its own small tree (build/fuzz)
# and runs it for a few seconds from seeds the target writes itself. Before
# it, the allocator's large-block tests run under the same sanitizers, where
# the bytes past a block's size are poisoned.
# Exits non-zero when a test fails or the fuzzer finds a crash, a leak or
# undefined behaviour.
#   FUZZ_SECONDS   how long to run (default 8)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
out=$ROOT/build/fuzz
seconds=${FUZZ_SECONDS:-8}

SOURCES=(
  $(cd "$ROOT" && ls library/core/file/*.cpp)
  library/platform/text_iconv.cpp
  library/platform/files_posix.cpp
  library/platform/system_posix.cpp
  assets/tools/lz_encode.cpp
  fuzz/archive_fuzz.cpp
  fuzz/core_stubs.cpp fuzz/log_stubs.cpp
)
FLAGS=(-std=c++17 -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=all
       -I"$ROOT/library" -I"$ROOT/library/include" -I"$ROOT/tests/library/core/file" -I"$ROOT/assets/tools"
       -DZVPACK_PATH='""')

mkdir -p "$out"
echo "fuzz-smoke: allocator tests under ASan/UBSan"
"${CXX_FUZZ:-clang++}" "${FLAGS[@]}" "$ROOT/tests/library/core/alloc_test.cpp" "$ROOT/library/core/alloc.cpp" \
  "$ROOT/library/core/strings.cpp" "$ROOT/library/platform/memory_posix.cpp" "$ROOT/fuzz/log_stubs.cpp" \
  -lgtest -lgtest_main -pthread -o "$out/alloc_test"
"$out/alloc_test" --gtest_brief=1

source "$ROOT/scripts/fuzz-common.sh"
fuzz_build_objects "$out"
target=$out/archive_fuzz
"${CXX_FUZZ:-clang++}" "${FLAGS[@]}" -fsanitize=fuzzer "${OBJS[@]}" -o "$target"

corpus=$out/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
echo "fuzz-smoke: archive reader for ${seconds}s"
ZV_FUZZ_SEED_DIR=$corpus fuzz_run fuzz-smoke "the archive reader" "$out" "$target" "$corpus" "$seconds"
