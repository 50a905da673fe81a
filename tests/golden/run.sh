#!/usr/bin/env bash
# One golden case: runs kelvanor-calc on designs/NAME.kel in text and in JSON and compares both
# outputs with expected/NAME.txt and expected/NAME.json byte for byte.
#   run.sh CALC TOOL BUNDLED_CATALOGUE ACCESS_CATALOGUE NAME
#   run.sh --readme README.md        the README's example is the golden readme-example.txt
# With KELVANOR_GOLDEN_UPDATE=1 the expected files are rewritten instead (after an intended
# change; review the diff before committing it).
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = "--readme" ]; then
  # The indented block between the command line and the JSON paragraph, without its indent.
  sed -n '/^    \$ kelvanor-calc --decimal-separator , example.kel$/,/^With `--json`/p' "$2" |
    sed '1d;$d' | sed 's/^    //' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' >"$work/readme.txt"
  if ! cmp -s "$work/readme.txt" "$here/expected/readme-example.txt"; then
    echo "The README's kelvanor-calc example differs from tests/golden/expected/readme-example.txt:"
    diff -u "$here/expected/readme-example.txt" "$work/readme.txt"
    exit 1
  fi
  exit 0
fi

calc=$1 tool=$2 bundled=$3 access=$4 name=$5
read -r _ catalogue separator status < <(grep -E "^$name[[:space:]]" "$here/cases.txt")
case $catalogue in
  bundled) catalogue_file=$bundled ;;
  access) catalogue_file=$access ;;
  *)
    catalogue_file=$work/$catalogue.db
    "$tool" convert "$here/catalogues/$catalogue.csv" "$catalogue_file" >/dev/null || exit 1
    ;;
esac

# No settings of the person running the tests may play a part.
export XDG_CONFIG_HOME=$work/config HOME=$work
failures=0
for format in txt json; do
  args=(--catalogue "$catalogue_file" --decimal-separator "$separator")
  [ "$format" = json ] && args+=(--json)
  # The design is given by a path relative to its folder, so that no temporary path shows.
  (cd "$here/designs" && "$calc" "${args[@]}" "$name.kel") >"$work/out.$format" 2>"$work/err"
  got=$?
  if [ "$got" -ne "$status" ]; then
    echo "FAIL $name ($format): exit status $got instead of $status: $(cat "$work/err")"
    failures=$((failures + 1))
    continue
  fi
  expected=$here/expected/$name.$format
  if [ "${KELVANOR_GOLDEN_UPDATE:-0}" = 1 ]; then
    cmp -s "$work/out.$format" "$expected" || { cp "$work/out.$format" "$expected"; echo "rewrote $expected"; }
  elif ! cmp -s "$work/out.$format" "$expected"; then
    echo "FAIL $name ($format): output differs from $expected"
    diff -u "$expected" "$work/out.$format" | head -60
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
