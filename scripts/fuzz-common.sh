# Shared by the fuzz smoke scripts (sourced, not run): compiles a list of
# sources with clang into a fuzz tree of its own, in parallel, and rebuilds
# every object when any source or header of the project is newer than the
# tree's last build; and runs a target over its corpus.
#   fuzz_build_objects OUT_DIR   reads the arrays SOURCES (paths from the
#                                repository root) and FLAGS; fills OBJS.
#   fuzz_run NAME WHAT OUT_DIR TARGET CORPUS SECONDS [FLAG...]
#                                fuzzes inputs of up to 4 KiB (FLAGs given
#                                after the defaults override them); on a
#                                failure shows the report and exits with the
#                                input kept.

fuzz_build_objects() {
  local out=$1
  local stamp=$out/obj/.built
  mkdir -p "$out/obj"
  local stale=1
  if [ -f "$stamp" ] && [ -z "$(find "$ROOT/library" "$ROOT/game" "$ROOT/fuzz" "$ROOT/assets/tools" "$ROOT/tests" \
        \( -name '*.cpp' -o -name '*.h' \) -newer "$stamp" | head -1)" ]; then
    stale=0
  fi
  OBJS=()
  local pids=() src obj
  for src in "${SOURCES[@]}"; do
    obj=$out/obj/$(echo "$src" | tr '/' '_').o
    OBJS+=("$obj")
    if [ "$stale" = 1 ] || [ ! -f "$obj" ]; then
      "${CXX_FUZZ:-clang++}" "${FLAGS[@]}" -fsanitize=fuzzer-no-link -c "$ROOT/$src" -o "$obj" &
      pids+=($!)
      # One compile per core at a time.
      if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
    fi
  done
  local p
  for p in "${pids[@]}"; do wait "$p"; done
  touch "$stamp"
}

fuzz_run() {
  local name=$1 what=$2 out=$3 target=$4 corpus=$5 seconds=$6
  shift 6
  "$target" "$corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/" "$@" 2>"$out/fuzz.log" || {
    # The report from its first line (a long stack would push it out of a tail).
    if grep -aqE 'ERROR|CHECK failed|runtime error' "$out/fuzz.log"; then
      sed -n '/ERROR\|CHECK failed\|runtime error/,$p' "$out/fuzz.log" | head -100
    else
      tail -60 "$out/fuzz.log"
    fi
    echo "$name: $what failed; the input is in $out/" >&2
    exit 1
  }
  grep -aE 'stat::number_of_executed_units|Done' "$out/fuzz.log" | tail -2
}
