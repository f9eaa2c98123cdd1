#!/usr/bin/env bash
# Sanitizer and fuzz smoke run of the graph loader chain: the image decoders
# and the movie source alone are built with clang under ASan/UBSan, the
# malformed-image and movie-source tests run once, then libFuzzer runs the
# loader chain (images, then movies) for a few seconds.
#   FUZZ_SECONDS   fuzzing time (default 20)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/fuzz-images"
SECONDS_TO_RUN="${FUZZ_SECONDS:-20}"
mkdir -p "$OUT/obj" "$OUT/corpus"

CXX="${CXX_FUZZ:-clang++}"
FLAGS=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
       -I"$ROOT/library" -I"$ROOT/library/include" -I"$ROOT/tests")
SOURCES=(
  library/graphics/image/color_data.cpp library/graphics/image/color_convert.cpp
  library/graphics/image/graph_image.cpp library/graphics/image/image_loaders.cpp
  library/graphics/image/bmp_decoder.cpp library/graphics/image/bgra_decoder.cpp
  library/graphics/image/tga_decoder.cpp library/graphics/image/dds_decoder.cpp
  library/graphics/image/png_loader.cpp library/graphics/image/jpeg_loader.cpp
  library/graphics/image/decoded_rows.cpp
  library/core/file/stream_memory.cpp library/platform/movie_ffmpeg.cpp library/softrender/simd_level.cpp
  fuzz/images_fuzz_shim.cpp
)

source "$ROOT/scripts/fuzz-common.sh"
fuzz_build_objects "$OUT"
LIBS=(-lpng -ljpeg -lz $(pkg-config --libs libavformat libavcodec libswscale libswresample libavutil))

echo "fuzz-images: malformed-image table under ASan/UBSan"
"$CXX" "${FLAGS[@]}" "$ROOT/tests/library/graphics/malformed_test.cpp" "${OBJS[@]}" \
  -lgtest -lgtest_main -pthread "${LIBS[@]}" -o "$OUT/malformed_test"
"$OUT/malformed_test" --gtest_brief=1

echo "fuzz-images: movie source tests under ASan/UBSan"
"$CXX" "${FLAGS[@]}" "$ROOT/tests/library/movie/movie_source_test.cpp" "${OBJS[@]}" \
  -lgtest -lgtest_main -pthread "${LIBS[@]}" -o "$OUT/movie_source_test"
"$OUT/movie_source_test" --gtest_brief=1

echo "fuzz-images: seed corpus"
"$CXX" "${FLAGS[@]}" "$ROOT/fuzz/images_seeds.cpp" "${OBJS[@]}" "${LIBS[@]}" -o "$OUT/images_seeds"
"$OUT/images_seeds" "$OUT/corpus"

echo "fuzz-images: fuzzing the loader chain for ${SECONDS_TO_RUN}s"
"$CXX" "${FLAGS[@]}" -fsanitize=fuzzer "$ROOT/fuzz/images_fuzz.cpp" "${OBJS[@]}" "${LIBS[@]}" \
  -o "$OUT/images_fuzz"
# The largest picture the loaders take (2 GB) and its decoder's own buffers need
# over 4 GB.
fuzz_run fuzz-images "the loader chain" "$OUT" "$OUT/images_fuzz" "$OUT/corpus" "$SECONDS_TO_RUN" \
  -max_len=65536 -timeout=60 \
  -rss_limit_mb=6144 -malloc_limit_mb=3072
