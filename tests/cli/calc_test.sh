#!/usr/bin/env bash
# kelvanor-calc end to end: the worked example in text and JSON, and every way to fail.
set -u
calc=$1 tool=$2 data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() {  # expected, then the command
  local expected=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$expected" ] || fail "status $got instead of $expected for: $* ($(cat "$work/err"))"
}

sqlite3 "$work/cat.db" "CREATE TABLE EI (Ref TEXT, SectionFer REAL, MasseFer REAL, hautcu REAL,
  LargCu REAL, longspire REAL); INSERT INTO EI VALUES ('EI10', 10, 0.6, 12, 30, 20);" || exit 77
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/ex.kel"

expect_status 0 "$calc" --catalogue "$work/cat.db" --decimal-separator , --json "$work/ex.kel"
for pair in '"LbWatts": "100,"' '"LbAmpsPri": "0,43"' '"LbKgFe": "1,43"' '"LbSectFe": "9,8"' \
  '"LbSpVolt": "2,65"' '"TxSpires(0)": "609"' '"TxSpires(1)": "265"' '"TxDiaCu(0)": "0,39"' \
  '"TxDiaCu(1)": "0,6"' '"TxSpLayer(0)": "69"' '"TxSpLayer(1)": "47"' '"TxLongCu(0)": "121,8"' \
  '"TxLongCu(1)": "53,"' '"TxResCu(0)": "19,12"' '"TxResCu(1)": "3,62"' \
  '"TxTrueVolts(0)": "238,3"' '"TxTrueVolts(1)": "96,4"' '"LbPertesCu": "7,2"' \
  '"TxTotCu(0)": "4,4"' '"TxTotCu(1)": "4,1"' '"LbTotCu": "8,5"' '"LbWattsTot": "109,2"' \
  '"Lbn": "92%"' '"LbTotCu": "black"' '"LbTrueTesla": "red"' '"messages": []' '"beeps": 1'; do
  grep -qF "$pair" "$work/out" || fail "JSON lacks $pair"
done
[ "$(grep -c . "$work/out")" -eq 1 ] || fail "JSON is not one line"
if command -v python3 >/dev/null; then
  python3 -c 'import json,sys; json.load(open(sys.argv[1]))' "$work/out" || fail "invalid JSON"
fi

expect_status 0 "$calc" --catalogue "$work/cat.db" --decimal-separator . "$work/ex.kel"
for text in "Spécifications" "Cuivre" "Fer" "Général" "Rendement               92%" "109.2" \
  "EI10"; do
  grep -qF "$text" "$work/out" || fail "text report lacks $text"
done

expect_status 0 "$calc" --catalogue "$work/cat.db" --sheet "$work/ex.dfa" "$work/ex.kel"
grep -q '^Primaire=' "$work/ex.dfa" || fail "no sheet written"
# The sheet is deleted before it is written: naming the document itself is a usage error.
cp "$work/ex.kel" "$work/ex.kel.orig"
expect_status 2 "$calc" --catalogue "$work/cat.db" --sheet "$work/ex.kel" "$work/ex.kel"
cd "$work" || exit 1
expect_status 2 "$calc" --catalogue cat.db --sheet ./ex.kel "$work/ex.kel"
cd - >/dev/null || exit 1
cmp -s "$work/ex.kel" "$work/ex.kel.orig" || fail "--sheet destroyed its document"
# A document far over the size limit is turned down at once, without reading it.
truncate -s 2G "$work/huge.kel"
expect_status 2 timeout 5 "$calc" --catalogue "$work/cat.db" "$work/huge.kel"
rm -f "$work/huge.kel"

printf '[SPECIFS]\nFreq=0\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/zero.kel"
expect_status 1 "$calc" --catalogue "$work/cat.db" --json "$work/zero.kel"
grep -qF '"messages": ["Erreur de saisie"]' "$work/out" || fail "message not listed"
grep -qF '"details": ["La fréquence est nulle."]' "$work/out" || fail "cause not listed"

expect_status 2 "$calc"
expect_status 2 "$calc" --bogus "$work/ex.kel"
expect_status 2 "$calc" --catalogue "$work/cat.db" "$work/missing.kel"
head -c 3000 /dev/urandom >"$work/garbage.kel"
expect_status 2 "$calc" --catalogue "$work/cat.db" "$work/garbage.kel"
expect_status 2 "$calc" --catalogue "$work/cat.db" "$work"
expect_status 2 "$calc" --catalogue "$work/missing.db" "$work/ex.kel"
head -c 3000 /dev/urandom >"$work/garbage.mdb"
expect_status 2 "$calc" --catalogue "$work/garbage.mdb" "$work/ex.kel"
sqlite3 "$work/noei.db" "CREATE TABLE Other (x);"
expect_status 2 "$calc" --catalogue "$work/noei.db" "$work/ex.kel"
grep -q "EI" "$work/err" || fail "the missing table is not named"
sqlite3 "$work/nullcol.db" "CREATE TABLE EI (Ref TEXT, SectionFer REAL, MasseFer REAL, hautcu REAL,
  LargCu REAL, longspire REAL); INSERT INTO EI VALUES ('EI10', 10, 0.6, NULL, 30, 20);"
expect_status 1 "$calc" --catalogue "$work/nullcol.db" "$work/ex.kel"

# An Access catalogue and its SQLite conversion give the same design, to the last text.
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=2.915\n' \
  >"$work/bound.kel"
for mdb in "$data/catalogue-ei.mdb" "$data/catalogue-ei-single.mdb"; do
  "$tool" convert "$mdb" "$work/converted.db" >/dev/null || fail "cannot convert $mdb"
  expect_status 0 "$calc" --catalogue "$mdb" --json "$work/bound.kel"
  cp "$work/out" "$work/access.json"
  expect_status 0 "$calc" --catalogue "$work/converted.db" --json "$work/bound.kel"
  cmp -s "$work/access.json" "$work/out" || fail "Access and SQLite differ for $mdb"
  rm -f "$work/converted.db"
done
grep -qF '"LbNoyau": "EI120L"' "$work/out" || fail "single 19.8 should miss the bound 19.8"

[ "$failures" -eq 0 ] && echo "all kelvanor-calc checks passed"
exit $((failures > 0))
