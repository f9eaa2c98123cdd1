#!/usr/bin/env bash
# Fuzz smoke run of the game's own readers (lexers, message and stage scripts,
# position tables, setup.ini, score, replay and system files): the game is
# built with clang's libFuzzer under ASan/UBSan in its own small tree and
# linked with the library of the test build (build/test, made first by
# `make test`), which it only calls; seeds are written by the target itself
# from its own examples and the data scripts in assets/src/dat.
#   FUZZ_SECONDS   fuzzing time (default 8)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/fuzz-game"
SECONDS_TO_RUN="${FUZZ_SECONDS:-8}"
LIBRARY="$ROOT/build/test/libzovav.a"
if [ ! -f "$LIBRARY" ]; then
  echo "fuzz-game: $LIBRARY is missing; build the tests first (make test does)" >&2
  exit 1
fi

FLAGS=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
       -ffp-contract=off -I"$ROOT/game" -I"$ROOT/library" -I"$ROOT/library/include")
SOURCES=(
  $(cd "$ROOT" && find game -name '*.cpp' ! -path 'game/headless/*' ! -name main.cpp | sort)
  fuzz/game_readers_fuzz.cpp
)
# What the library links with (as in its CMake rules).
LIBS=($(pkg-config --libs sdl2 libpng libjpeg libavformat libavcodec libswscale libswresample libavutil libmpg123 vorbisfile \
        vorbis ogg alsa freetype2 fontconfig) -pthread)

source "$ROOT/scripts/fuzz-common.sh"
fuzz_build_objects "$OUT"
target=$OUT/game_readers_fuzz
"${CXX_FUZZ:-clang++}" "${FLAGS[@]}" -fsanitize=fuzzer "${OBJS[@]}" "$LIBRARY" "${LIBS[@]}" -o "$target"

corpus=$OUT/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
echo "fuzz-game: the game's readers for ${SECONDS_TO_RUN}s"
ZV_FUZZ_SEED_DIR=$corpus ZV_FUZZ_SEED_SOURCES=$ROOT/assets/src/dat \
  fuzz_run fuzz-game "the game's readers" "$OUT" "$target" "$corpus" "$SECONDS_TO_RUN" -dict="$ROOT/fuzz/game_readers.dict"
