#!/usr/bin/env bash
# kelvanor-calc against what a script or hostile data may hand it: --cores beside the files asked
# for, empty output names, control characters from a catalogue, a document or a path.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v python3 >/dev/null || exit 77
export HOME=$work XDG_CONFIG_HOME=$work/config
# The tools side by side, the report tool a stand-in that writes a whole PDF.
mkdir "$work/bin"
cp "$calc" "$work/bin/kelvanor-calc"
calc=$work/bin/kelvanor-calc
cat >"$work/bin/kelvanor-report" <<'SH'
#!/bin/sh
while [ "$1" != --pdf ]; do shift; done
printf '%%PDF-1.4\n%%%%EOF\n' >"$2"
SH
chmod +x "$work/bin/kelvanor-report"
python3 - "$work/hostile.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE EI (Ref TEXT, SectionFer REAL, MasseFer REAL, hautcu REAL, LargCu REAL, "
           "longspire REAL)")
for ref, mass in ((b"EI\x01\x1b[31mRED\x07", 1.4), (b"EI\nFORGED  9,999  1,0", 1.5),
                  (b"EI\xc2\x9b2J\xe9", 1.6)):
    db.execute("INSERT INTO EI VALUES (CAST(? AS TEXT), 9.8, ?, 12, 39, 17.6)", (ref, mass))
db.commit()
PY
cp "$work/hostile.db" "$work/bin/Zivodevu.mdb"
doc=$work/d.kel
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$doc"

# --- 6. --cores prints its table and writes every file asked; with --analysis it is refused.
(cd "$work" && "$calc" --json --cores --svg c.svg --html c.html --report c.pdf --sheet c.dfa \
  "$doc" >"$work/cores.json") || fail "--cores with files: status $?"
for f in c.svg c.html c.pdf c.dfa; do [ -s "$work/$f" ] || fail "--cores did not write $f"; done
python3 -c 'import json,sys; assert list(json.load(open(sys.argv[1]))) == ["cores"]' \
  "$work/cores.json" || fail "--cores --json is not the table alone"
"$calc" --cores --analysis "$doc" >/dev/null 2>&1
[ $? -eq 2 ] || fail "--cores --analysis is not a usage error"

# --- 12. An empty name for any file is a usage error, and nothing is written.
for flag in --sheet --svg --html --report --catalogue; do
  (cd "$work" && "$calc" --analysis "$flag" '' "$doc" >/dev/null 2>"$work/err")
  status=$?
  [ "$status" -eq 2 ] && grep -qF -- "$flag attend un fichier" "$work/err" ||
    fail "$flag '': status $status, $(cat "$work/err")"
done

# --- 8. Control characters from the catalogue, a [VERIF] text and a path reach the terminal as
# visible escapes, and a line break in a reference forges no line.
printf '[VERIF]\nClasse=\033]0;PWNED\007\033[2J\n' >>"$doc"
"$calc" --analysis "$doc" >"$work/text" 2>/dev/null
"$calc" --cores "$doc" >>"$work/text" 2>/dev/null
"$calc" --svg "$work/no/such/dir/"$'\033[2J'.svg "$doc" >/dev/null 2>"$work/err"
python3 - "$work/text" "$work/err" <<'PY' || fail "control characters reached the terminal"
import re, sys
text, err = (open(p, "rb").read() for p in sys.argv[1:3])
for what, data in (("stdout", text), ("stderr", err)):
    bad = re.findall(rb"[\x00-\x09\x0b-\x1f\x7f]|\xc2[\x80-\x9f]", data)
    assert not bad, (what, bad[:5])
assert not re.search(rb"^\s*FORGED", text, re.M), "a reference forged a line"
for shown in (rb"EI\x01\x1b[31mRED\x07", rb"EI\x0aFORGED", rb"EI\u009b2J\xe9",
              rb"\x1b]0;PWNED\x07\x1b[2J"):
    assert shown in text, shown
assert rb"\x1b[2J" in err, err
PY

[ "$failures" -eq 0 ] && echo "all kelvanor-calc output checks passed"
exit $((failures > 0))
