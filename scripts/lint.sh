#!/usr/bin/env bash
# Static checks of the tree: formatting (clang-format, a dry run that fails on any difference),
# then clang-tidy with the checks of .clang-tidy and cppcheck side by side. Prints every finding
# and exits with 1 when there is any.
#
#   scripts/lint.sh
#
#   LINT_BUILD_DIR  build folder whose compile_commands.json clang-tidy reads (default
#                   build/lint; configured with clang when it has none yet, nothing is built)
#   LINT_TESTS=1    clang-tidy also reads tests/ (several minutes more; cppcheck always does)
#   LINT_JOBS       processes at the same time (default: every core)
#   LINT_DEEP=1     the path-sensitive analyser at its full depth (several times slower)
#
# clang-tidy is the slow part. A source it found clean is not read again while neither the source,
# nor any header of the project, nor .clang-tidy has changed: its clean result is kept under
# $LINT_BUILD_DIR/tidy-clean, named after those contents.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${LINT_BUILD_DIR:-build/lint}
jobs=${LINT_JOBS:-$(nproc)}

for tool in clang-format clang-tidy cppcheck; do
  if ! command -v "$tool" >/dev/null; then
    echo "lint: $tool is missing (Debian: apt-get install clang-format clang-tidy cppcheck)" >&2
    exit 2
  fi
done

status=0
start=$SECONDS
# Every C++ file of the tree, as .clang-format lays it out; `make format` rewrites them.
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 -P"$jobs" -n16 clang-format --dry-run --Werror; then
  echo "clang-format: files differ from .clang-format (make format rewrites them)"
  status=1
fi
echo "clang-format: $((SECONDS - start)) s"

if [ ! -f "$build/compile_commands.json" ]; then
  # clang reads the commands best when clang wrote them; the fuzz targets come in with it. The
  # window's sources are included when Qt is there to configure them. Sanitized, as in the
  # sanitized tree, so that the fuzz targets link the layers: otherwise each layer's source is
  # listed twice (once more for the fuzzers' own copy) and clang-tidy reads it twice. File by
  # file, so that each source is read on its own includes.
  configure=(cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang
             -DCMAKE_CXX_COMPILER=clang++ -DKELVANOR_BENCH=OFF -DKELVANOR_FUZZ=ON
             -DKELVANOR_SANITIZE=ON -DKELVANOR_UNITY=OFF)
  "${configure[@]}" >/dev/null 2>&1 || "${configure[@]}" -DKELVANOR_GUI=OFF >/dev/null
fi

# Generated headers the sources include, made without building anything else.
cmake --build "$build" --target kelvanor_reference_tables >/dev/null

scope="$root/src/|$root/fuzz/"
[ "${LINT_TESTS:-0}" = 1 ] && scope="$scope|$root/tests/"
# Largest first: the window's files take clang-tidy ten times as long as the smallest, and begun
# last, one of them would run alone at the end while the other core waits.
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",*$/\1/p' "$build/compile_commands.json" |
                     grep -E "^($scope)" | sort -u | xargs -r -d '\n' ls -S --)
if [ ${#files[@]} -eq 0 ]; then
  echo "lint: no source files in $build/compile_commands.json" >&2
  exit 2
fi

start=$SECONDS
# cppcheck reads the whole tree meanwhile, on one core: it takes seconds where clang-tidy takes
# minutes. Only the project's own headers are given, so that cppcheck reads the libraries through
# its configuration files rather than through their headers.
cppcheck_log=$(mktemp)
tidy_log=$(mktemp)
trap 'rm -f "$tidy_log" "$cppcheck_log"' EXIT
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
  --quiet --std=c++20 --language=c++ \
  --library=googletest --library=qt --library=sqlite3 --library=posix \
  -I src -I tests -I fuzz -I "$build/generated" src tests fuzz >"$cppcheck_log" 2>&1 &
cppcheck_pid=$!

# The path-sensitive analyser in its shallow mode: it still follows every path of a function and
# reports leaks, null dereferences and divisions by zero there, but inlines less of Qt's templates
# into each path; that took clang-tidy from 21 s to 9 s on the window's largest file.
# LINT_DEEP=1 runs the analyser as deep as it goes.
[ "${LINT_DEEP:-0}" = 1 ] || analyzer_mode=mode=shallow
clean=$build/tidy-clean
mkdir -p "$clean"
project=$( (echo "${analyzer_mode:-deep}"; cat .clang-tidy "$build/compile_commands.json" $(git ls-files 'src/*.h' 'fuzz/*.h' 'tests/*.h' 'data/*.csv')) |
          sha256sum | cut -c1-32)
todo=()
for file in "${files[@]}"; do
  key=$( (echo "$project"; cat "$file") | sha256sum | cut -c1-32)
  [ -e "$clean/$key" ] || todo+=("$file:$key")
done
tidy_one() {  # path:key; the clean result is kept
  local file=${1%:*} key=${1##*:} out mode=()
  [ -z "$LINT_ANALYZER_MODE" ] ||
    mode=(--extra-arg=-Xclang --extra-arg=-analyzer-config --extra-arg=-Xclang "--extra-arg=$LINT_ANALYZER_MODE")
  out=$(clang-tidy -p "$LINT_BUILD" --quiet "${mode[@]}" "$file" 2>&1) && ! grep -qE "(warning|error):" <<<"$out" &&
    touch "$LINT_CLEAN/${key}" && return 0
  printf '%s\n' "$out"
  return 1
}
export -f tidy_one
export LINT_BUILD=$build LINT_CLEAN=$clean LINT_ANALYZER_MODE=${analyzer_mode:-}
[ ${#todo[@]} -eq 0 ] || printf '%s\n' "${todo[@]}" |
  xargs -P"$jobs" -I{} bash -c 'tidy_one "$1"' _ {} >"$tidy_log" 2>&1 || status=1
grep -E "(warning|error):" -A3 "$tidy_log" || true
findings=$(grep -cE "(warning|error):" "$tidy_log" || true)
echo "clang-tidy: ${#files[@]} files, ${#todo[@]} read again, $findings findings, $((SECONDS - start)) s"
[ "$findings" -eq 0 ] || status=1

wait "$cppcheck_pid" || status=1
cat "$cppcheck_log"
echo "cppcheck: done beside clang-tidy"
exit $status
