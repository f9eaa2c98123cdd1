#!/usr/bin/env bash
# Fuzz smoke run of the HTTP response reader: the HTTP tasks alone are built
# with clang under ASan/UBSan over a stand-in connection, then libFuzzer
# serves them random answers in random pieces for a few seconds.
#   FUZZ_SECONDS   fuzzing time (default 8)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/fuzz-network"
SECONDS_TO_RUN="${FUZZ_SECONDS:-8}"

FLAGS=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
       -I"$ROOT/library" -I"$ROOT/library/include")
SOURCES=(
  library/network/http_task.cpp library/core/strings.cpp library/core/numbers.cpp fuzz/core_stubs.cpp
  fuzz/log_stubs.cpp fuzz/http_fuzz.cpp
)

source "$ROOT/scripts/fuzz-common.sh"
fuzz_build_objects "$OUT"
target=$OUT/http_fuzz
"${CXX_FUZZ:-clang++}" "${FLAGS[@]}" -fsanitize=fuzzer "${OBJS[@]}" -o "$target"

# Seeds: answers of each kind (byte 0 picks the request and output, byte 1
# the piece sizes).
corpus=$OUT/corpus
rm -rf "$corpus"
mkdir -p "$corpus"
printf '\x00\x07HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello' >"$corpus/get-length"
printf '\x04\x03HTTP/1.0 200 OK\r\nServer: s\r\n\r\nno length, ended by the close' >"$corpus/get-file"
printf '\x01\x05HTTP/1.0 200 OK\r\ncontent-length: 2\r\n\r\nok' >"$corpus/post"
printf '\x02\x09HTTP/1.0 200 OK\r\nContent-Length: 1234\r\n\r\n' >"$corpus/head"
printf '\x08\x01HTTP/1.0 404 Not Found\r\n\r\n' >"$corpus/404"

echo "fuzz-network: HTTP response reader for ${SECONDS_TO_RUN}s"
fuzz_run fuzz-network "the HTTP reader" "$OUT" "$target" "$corpus" "$SECONDS_TO_RUN"
