#!/usr/bin/env bash
# One golden case: runs kelvanor-calc on designs/NAME.kel in text and in JSON, each without and
# with the check (--analysis), and writes the drawing (--svg) and the HTML report (--html); compares
# every output with its file in expected/ byte for byte. A design without a check has no drawing:
# kelvanor-calc refuses it, and there is no expected SVG.
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

# No settings of the person running the tests may play a part; the report's date is fixed.
export XDG_CONFIG_HOME=$work/config HOME=$work SOURCE_DATE_EPOCH=1765152000
failures=0
# compare FORMAT FILE: the output against expected/NAME.FORMAT (rewritten when updating).
compare() {
  local expected=$here/expected/$name.$1
  if [ "${KELVANOR_GOLDEN_UPDATE:-0}" = 1 ]; then
    cmp -s "$2" "$expected" || { cp "$2" "$expected"; echo "rewrote $expected"; }
  elif ! cmp -s "$2" "$expected"; then
    echo "FAIL $name ($1): output differs from $expected"
    diff -u "$expected" "$2" | head -60
    failures=$((failures + 1))
  fi
}
# run FORMAT STATUS ARGS...: kelvanor-calc on the design, its standard output compared.
run() {
  local format=$1 wanted=$2
  shift 2
  # The design is given by a path relative to its folder, so that no temporary path shows.
  (cd "$here/designs" && "$calc" --catalogue "$catalogue_file" --decimal-separator "$separator" \
    "$@" "$name.kel") >"$work/out.$format" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$wanted" ]; then
    echo "FAIL $name ($format): exit status $got instead of $wanted: $(cat "$work/err")"
    failures=$((failures + 1))
    return 1
  fi
  compare "$format" "$work/out.$format"
}
run txt "$status"
run json "$status" --json
run check.txt "$status" --analysis
# The check comes after the chain's report and leaves it as it is, to the byte.
head -c "$(stat -c %s "$work/out.txt")" "$work/out.check.txt" | cmp -s - "$work/out.txt" ||
  { echo "FAIL $name: --analysis changed the chain's report"; failures=$((failures + 1)); }
run check.json "$status" --json --analysis
# draw OPTION FILE: kelvanor-calc writing FILE with OPTION.
draw() {
  rm -f "$2"
  (cd "$here/designs" && "$calc" --catalogue "$catalogue_file" --decimal-separator "$separator" \
    "$1" "$2" "$name.kel") >/dev/null 2>"$work/err"
}
draw --html "$work/out.html"
compare html "$work/out.html"
draw --svg "$work/out.svg"
if [ -s "$work/out.svg" ]; then
  compare svg "$work/out.svg"
elif [ "${KELVANOR_GOLDEN_UPDATE:-0}" = 1 ]; then
  rm -f "$here/expected/$name.svg"
elif [ -e "$here/expected/$name.svg" ] || ! grep -q "pas de dessin" "$work/err"; then
  echo "FAIL $name (svg): no drawing: $(cat "$work/err")"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
