#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, then prints the
# executions, coverage and crashes of every target. Exit status 1 when any target crashed.
#
#   scripts/fuzz.sh [--smoke] [target ...]
#
#   FUZZ_SECONDS    seconds per target (default 60); --smoke runs FUZZ_SMOKE_RUNS inputs
#                   (default 1500) from a fixed seed instead
#   FUZZ_JOBS       targets run at the same time (default: every core)
#   FUZZ_BUILD_DIR  build folder of the fuzz targets (default build/fuzz)
#
# A normal run grows a working corpus in $FUZZ_BUILD_DIR/corpus/<target>, seeded from
# fuzz/corpus/<target>, so that successive runs go further. --smoke starts from the committed
# seeds alone, in a folder thrown away afterwards, so that its result depends on the tree only.
# Crashing inputs land in $FUZZ_BUILD_DIR/artifacts/<target>/; replay one with
#   $FUZZ_BUILD_DIR/fuzz/<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
fi
all_targets=(fuzz_number_text fuzz_ini fuzz_document fuzz_catalogue)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
seconds=${FUZZ_SECONDS:-$([ $smoke -eq 1 ] && echo 5 || echo 60)}
jobs=${FUZZ_JOBS:-$(nproc)}
build=${FUZZ_BUILD_DIR:-build/fuzz}

# libFuzzer comes with clang's runtime libraries (Debian: libclang-rt-14-dev).
if ! command -v clang++ >/dev/null ||
   ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
  echo "fuzz: clang++ with libFuzzer is missing (install clang and libclang-rt-14-dev)" >&2
  exit 2
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVANOR_FUZZ=ON \
    -DKELVANOR_GUI=OFF -DKELVANOR_BENCH=OFF -DBUILD_TESTING=OFF -DKELVANOR_WERROR=ON >/dev/null
fi
build_log=$(mktemp)
if ! cmake --build "$build" -j2 --target "${targets[@]}" >"$build_log" 2>&1; then
  cat "$build_log" >&2
  rm -f "$build_log"
  echo "fuzz: the fuzz targets do not build" >&2
  exit 1
fi
rm -f "$build_log"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

run_target() {
  local target=$1 corpus log artifacts before after
  if [ $smoke -eq 1 ]; then
    corpus="$scratch/corpus-$target"
  else
    corpus="$build/corpus/$target"
  fi
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  log="$scratch/$target.log"
  before=$(find "$artifacts" -type f | wc -l)
  # -timeout: an input that takes this long is a hang; -rss_limit_mb: one that eats memory.
  # The smoke run is the same on every machine: a fixed seed and a fixed number of inputs, so
  # that CI fails for a change in the code, not for the luck of a draw.
  local limit=(-max_total_time="$seconds")
  [ $smoke -eq 1 ] && limit=(-seed=1 -runs="${FUZZ_SMOKE_RUNS:-1500}")
  "$build/fuzz/$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" \
    >"$log" 2>&1 || true
  after=$(find "$artifacts" -type f | wc -l)
  cp "$log" "$build/$target.log" 2>/dev/null || true
  local execs cov ft
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  echo "$target ${execs:-?} ${cov:-?} ${ft:-?} $((after - before))" >"$scratch/$target.result"
}

running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-18s %12s %8s %9s %8s\n' target executions cov features crashes
for target in "${targets[@]}"; do
  read -r name execs cov ft crashes <"$scratch/$target.result"
  printf '%-18s %12s %8s %9s %8s\n' "$name" "$execs" "$cov" "$ft" "$crashes"
  if [ "$crashes" != 0 ] || [ "$execs" = "?" ]; then
    status=1
    grep -m1 -E 'expectation failed|ERROR: (libFuzzer|AddressSanitizer|UndefinedBehavior)|runtime error' \
      "$build/$target.log" || true
  fi
done
[ $status -eq 0 ] || echo "fuzz: see $build/<target>.log and $build/artifacts/"
exit $status
