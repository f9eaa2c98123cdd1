#!/usr/bin/env bash
# Sanitizer and fuzz smoke run of the sound file converters (WAVE, MP3, Ogg
# Vorbis): the converters alone are built with clang under ASan/UBSan, a seed
# corpus is written, then libFuzzer runs them for a few seconds.
#   FUZZ_SECONDS   fuzzing time (default 20)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/fuzz-sound"
SECONDS_TO_RUN="${FUZZ_SECONDS:-20}"
mkdir -p "$OUT/obj" "$OUT/corpus"

CXX="${CXX_FUZZ:-clang++}"
FLAGS=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
       -I"$ROOT/library" -I"$ROOT/library/include")
SOURCES=(
  library/sound/sound_convert.cpp library/sound/wave_reader.cpp library/sound/mp3_converter.cpp
  library/sound/ogg_converter.cpp library/core/file/stream_memory.cpp fuzz/core_stubs.cpp fuzz/log_stubs.cpp
)
LIBS=(-lmpg123 -lvorbisfile -lvorbis -logg)

source "$ROOT/scripts/fuzz-common.sh"
fuzz_build_objects "$OUT"

echo "fuzz-sound: seed corpus"
"$CXX" -std=c++17 -O1 -I"$ROOT/tests/library/sound" "$ROOT/fuzz/sound_seeds.cpp" -lvorbisenc -lvorbis -logg -o "$OUT/sound_seeds"
"$OUT/sound_seeds" "$OUT/corpus"

echo "fuzz-sound: fuzzing the converters for ${SECONDS_TO_RUN}s"
"$CXX" "${FLAGS[@]}" -fsanitize=fuzzer "$ROOT/fuzz/sound_fuzz.cpp" "${OBJS[@]}" "${LIBS[@]}" \
  -o "$OUT/sound_fuzz"
fuzz_run fuzz-sound "the sound converters" "$OUT" "$OUT/sound_fuzz" "$OUT/corpus" "$SECONDS_TO_RUN" \
  -max_len=65536 -timeout=60 \
  -rss_limit_mb=3072 -malloc_limit_mb=3072
