#!/usr/bin/env bash
# Static analysis of the tree: clang-tidy with the checks of .clang-tidy, then cppcheck. Prints
# every finding and exits with 1 when there is any.
#
#   scripts/lint.sh
#
#   LINT_BUILD_DIR  build folder whose compile_commands.json clang-tidy reads (default
#                   build/lint; configured with clang when it has none yet, nothing is built)
#   LINT_TESTS=1    clang-tidy also reads tests/ (several minutes more; cppcheck always does)
#   LINT_JOBS       clang-tidy processes at the same time (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${LINT_BUILD_DIR:-build/lint}
jobs=${LINT_JOBS:-2}

for tool in clang-tidy cppcheck; do
  if ! command -v "$tool" >/dev/null; then
    echo "lint: $tool is missing (Debian: apt-get install clang-tidy cppcheck)" >&2
    exit 2
  fi
done

if [ ! -f "$build/compile_commands.json" ]; then
  # clang reads the commands best when clang wrote them; the fuzz targets come in with it. The
  # window's sources are included when Qt is there to configure them.
  configure=(cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang
             -DCMAKE_CXX_COMPILER=clang++ -DKELVANOR_BENCH=OFF -DKELVANOR_FUZZ=ON)
  "${configure[@]}" >/dev/null 2>&1 || "${configure[@]}" -DKELVANOR_GUI=OFF >/dev/null
fi

# Generated headers the sources include, made without building anything else.
cmake --build "$build" --target kelvanor_reference_tables >/dev/null

scope="$root/src/|$root/fuzz/"
[ "${LINT_TESTS:-0}" = 1 ] && scope="$scope|$root/tests/"
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",*$/\1/p' "$build/compile_commands.json" |
                     grep -E "^($scope)" | sort -u)
if [ ${#files[@]} -eq 0 ]; then
  echo "lint: no source files in $build/compile_commands.json" >&2
  exit 2
fi

status=0
start=$SECONDS
tidy_log=$(mktemp)
trap 'rm -f "$tidy_log"' EXIT
printf '%s\n' "${files[@]}" |
  xargs -P"$jobs" -n1 clang-tidy -p "$build" --quiet >"$tidy_log" 2>&1 || status=1
grep -E "(warning|error):" -A3 "$tidy_log" || true
findings=$(grep -cE "(warning|error):" "$tidy_log" || true)
echo "clang-tidy: ${#files[@]} files, $findings findings, $((SECONDS - start)) s"
[ "$findings" -eq 0 ] || status=1

start=$SECONDS
# Only the project's own headers are given, so that cppcheck reads the libraries through its
# configuration files rather than through their headers.
if ! cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
     --quiet --std=c++20 --language=c++ -j"$jobs" \
     --library=googletest --library=qt --library=sqlite3 --library=posix \
     -I src -I tests -I fuzz -I "$build/generated" src tests fuzz; then
  status=1
fi
echo "cppcheck: $((SECONDS - start)) s"
exit $status
