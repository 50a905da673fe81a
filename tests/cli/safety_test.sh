#!/usr/bin/env bash
# What kelvanor-calc and kelvanor-report write never destroys anything else, and what they report
# is true: outputs aimed at the document, the catalogue or the settings, a failing, killed or
# hanging report tool, option values that are no values, hostile catalogue names, foreign files.
#   safety_test.sh CALC REPORT|"" SOURCE_DIR
set -u
calc=$1 report=$2 source=$3
command -v python3 >/dev/null || exit 77
work=$(mktemp -d)
trap 'umount "$work/disk" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() {  # expected status, then the command; stdout and stderr in $work/out and $work/err
  local expected=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$expected" ] || fail "status $got instead of $expected for: $* ($(cat "$work/err"))"
}
said() { grep -qF -- "$1" "$work/err" || fail "no « $1 » in: $(cat "$work/err")"; }

# No settings of the person running the tests; the tools must not create any either.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config
mkdir -p "$HOME"
# The tools as installed side by side: a report tool can be swapped for a broken one.
mkdir "$work/bin"
cp "$calc" "$work/bin/kelvanor-calc"
calc=$work/bin/kelvanor-calc
python3 - "$work/cat.db" "$work/hostile.db" <<'PY'
import sqlite3, sys
for path, ref in ((sys.argv[1], b"EI84/35"), (sys.argv[2], b'EI\x01<&\x1b[31m\xe9\xff"\x7f\n\\]]>')):
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE EI (Ref TEXT, SectionFer REAL, MasseFer REAL, hautcu REAL, "
               "LargCu REAL, longspire REAL)")
    db.execute("INSERT INTO EI VALUES (CAST(? AS TEXT), 9.8, 1.4, 12, 30, 20)", (ref,))
    db.commit()
PY
cp "$work/cat.db" "$work/bin/Zivodevu.mdb"
doc=$work/d.kel
printf '[SPECIFS]\nFreq=50\nTesla=1.2\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=0.3\n' >"$doc"

# --- Outputs never replace the document, its catalogue or the settings (also through links).
run 0 "$calc" --catalogue "$work/cat.db" "$doc"
[ -e "$XDG_CONFIG_HOME" ] && fail "kelvanor-calc created $XDG_CONFIG_HOME"
ln -s "$doc" "$work/link.kel"
ln "$work/cat.db" "$work/hard.db"
mkdir -p "$XDG_CONFIG_HOME/kelvanor"
printf '[GLOBAL]\nExtension=kel\n' >"$XDG_CONFIG_HOME/kelvanor/kelvanor.ini"
for victim in "$doc" "$work/link.kel" "$work/cat.db" "$work/hard.db" \
  "$XDG_CONFIG_HOME/kelvanor/kelvanor.ini" "$work/bin/Zivodevu.mdb"; do
  for flag in --svg --html --report --sheet; do
    cp -L "$victim" "$work/before"
    catalogue=(--catalogue "$work/cat.db")
    [ "$victim" = "$work/bin/Zivodevu.mdb" ] && catalogue=()
    run 2 "$calc" "${catalogue[@]}" "$flag" "$victim" "$doc"
    said "ne sera pas remplacé"
    # Put back, so that one destroyed file does not hide the cases after it.
    cmp -s "$victim" "$work/before" || { fail "$flag $victim changed it"; cp "$work/before" "$victim"; }
  done
done
rm "$XDG_CONFIG_HOME/kelvanor/kelvanor.ini"
for flag in --svg --html --report; do
  run 2 "$calc" --catalogue "$work/cat.db" "$flag" "$work" "$doc"
  said "désigne un dossier"
done
# A full disk (/dev/full takes no byte) is a failure, never a success.
run 2 "$calc" --catalogue "$work/cat.db" --svg /dev/full "$doc"
run 2 "$calc" --catalogue "$work/cat.db" --html "$work/absent/d.html" "$doc"

# --- The sheet replaces the old one whole: a full disk keeps it, a pipe or a device is refused.
printf '[FAB]\nModele=ancienne\n' >"$work/old.dfa"
mkdir "$work/disk"
if mount -t tmpfs -o size=64k kelvanor-test "$work/disk" 2>/dev/null; then
  cp "$work/old.dfa" "$work/disk/d.dfa"
  head -c 1M /dev/zero >"$work/disk/filler" 2>/dev/null
  run 2 "$calc" --catalogue "$work/cat.db" --sheet "$work/disk/d.dfa" "$doc"
  said "impossible d'écrire la fiche"
  cmp -s "$work/old.dfa" "$work/disk/d.dfa" || fail "the full disk cost the old sheet"
  umount "$work/disk"
else
  echo "SKIP: full disk for --sheet: this process may not mount a tmpfs"
fi
mkfifo "$work/pipe.dfa"
devices=("$work/pipe.dfa")
mknod "$work/null.dfa" c 1 3 2>/dev/null && devices+=("$work/null.dfa") ||
  echo "SKIP: --sheet onto a device: this process may not make one"
for target in "${devices[@]}"; do
  run 2 "$calc" --catalogue "$work/cat.db" --sheet "$target" "$doc"
  said "pas un fichier"
  [ -p "$target" ] || [ -c "$target" ] || fail "--sheet $target became a file"
done
cp "$work/old.dfa" "$work/s.dfa"
run 0 "$calc" --catalogue "$work/cat.db" --sheet "$work/s.dfa" "$doc"
grep -q "^Noyau=EI84/35 M6X" "$work/s.dfa" && ! grep -q ancienne "$work/s.dfa" ||
  fail "the sheet does not hold this run's entries alone: $(cat "$work/s.dfa")"

# --- A backslash is part of a name, not a folder; a report timeout that does not fit is refused.
cd "$work" && run 0 "$calc" --catalogue "$work/cat.db" --svg 'a\b.svg' "$doc"
cd - >/dev/null || exit 1
[ -f "$work/a\b.svg" ] || fail "no file named a\\b.svg: $(ls "$work")"
for timeout in 4294967297 5s -1; do
  run 2 env KELVANOR_REPORT_TIMEOUT=$timeout "$calc" --catalogue "$work/cat.db" \
    --report "$work/t.pdf" "$doc"
  said "KELVANOR_REPORT_TIMEOUT « $timeout » refusé"
done

# --- The report tool is watched: each way it can fail is told apart and exits 2.
fake() {  # the body of a kelvanor-report stand-in; $pdf is the file it was asked for
  printf '#!/bin/sh\npdf=; while [ $# -gt 0 ]; do [ "$1" = --pdf ] && pdf=$2; shift; done\n%s\n' \
    "$1" >"$work/bin/kelvanor-report"
  chmod 755 "$work/bin/kelvanor-report"
}
printf '%%PDF-1.4 ancien\n%%%%EOF\n' >"$work/old.pdf"
report_case() {  # expected message, then extra environment
  local message=$1; shift
  cp "$work/old.pdf" "$work/r.pdf"
  local start=$SECONDS
  run 2 env "$@" "$calc" --catalogue "$work/cat.db" --report "$work/r.pdf" "$doc"
  said "$message"
  [ $((SECONDS - start)) -lt 10 ] || fail "waited $((SECONDS - start)) s for: $message"
}
rm -f "$work/bin/kelvanor-report"
report_case "kelvanor-report introuvable"
fake 'exit 0' && chmod 644 "$work/bin/kelvanor-report"
report_case "kelvanor-report non exécutable"
fake 'kill -9 $$'
report_case "kelvanor-report s'est arrêté sur un signal"
fake 'exit 0'
report_case "kelvanor-report n'a rien écrit"
fake 'printf "%%PDF-1.4 coupé" >"$pdf.new" && mv "$pdf.new" "$pdf"'
report_case "kelvanor-report a laissé un PDF incomplet"
fake 'exec sleep 30'
report_case "kelvanor-report ne répond plus après 1 s" KELVANOR_REPORT_TIMEOUT=1
fake 'exit 3'
report_case "kelvanor-report a échoué (statut 3)"

if [ -n "$report" ]; then
  cp "$report" "$work/bin/kelvanor-report"
  name=$(printf 'caf\351.pdf')
  run 0 "$calc" --catalogue "$work/cat.db" --report "$work/$name" "$doc"
  [ "$(head -c 5 "$work/$name" 2>/dev/null)" = "%PDF-" ] || fail "no PDF under the Latin-1 name"
  [ "$(ls "$work" | LC_ALL=C grep -c '^caf.*pdf')" -eq 1 ] || fail "the name was changed: $(ls "$work")"
  cp "$work/old.pdf" "$work/r.pdf"
  run 0 "$calc" --catalogue "$work/cat.db" --report "$work/r.pdf" "$doc"
  cmp -s "$work/old.pdf" "$work/r.pdf" && fail "the old PDF was not replaced"
  run 2 "$calc" --catalogue "$work/cat.db" --report "$work/absent/r.pdf" "$doc"
  if [ "$(id -u)" -ne 0 ]; then  # root writes over any permission
    chmod 444 "$work/r.pdf"
    run 2 "$calc" --catalogue "$work/cat.db" --report "$work/r.pdf" "$doc"
  fi
  [ -z "$(find "$work" -name '.*.tmp*')" ] || fail "temporary files left: $(ls -a "$work")"

  # kelvanor-report itself: what it cannot load is refused, as kelvanor-calc refuses it.
  truncate -s 5M "$work/huge.kel"
  head -c 3000 /dev/urandom >"$work/binary.kel"
  printf 'Ceci est du texte, pas une conception.\n' >"$work/text.kel"
  for bad in "$work/huge.kel" "$work/binary.kel" "$work/text.kel" "$work/absent.kel"; do
    run 2 "$report" --catalogue "$work/cat.db" --pdf "$work/bad.pdf" "$bad"
    cp "$work/err" "$work/report.err"
    run 2 "$calc" --catalogue "$work/cat.db" "$bad"
    [ "$(sed 's/^kelvanor-report/TOOL/' "$work/report.err")" = "$(sed 's/^kelvanor-calc/TOOL/' \
      "$work/err")" ] || fail "the tools differ on $bad: $(cat "$work/report.err" "$work/err")"
  done
  run 2 "$report" --catalogue "$work/absent.db" --pdf "$work/bad.pdf" "$doc"
  [ -e "$work/bad.pdf" ] && fail "a report was written for what could not be loaded"
  run 0 "$report" --version
  run 0 "$report" --help
  grep -q "^usage : kelvanor-report" "$work/out" || fail "kelvanor-report --help"
fi

# --- Option values: the run stops, the default is given with the separator in use, the value
# is quoted up to 60 characters; the same message from both tools.
long=$(printf 'x%.0s' $(seq 100))
for args in "--decimal-separator ;" "--decimal-separator ,," "--decimal-separator $long" \
  "--ambient 4,5,6" "--ambient 4.5.6" "--decimal-separator . --interlayer 1,2,3" \
  "--building-factor 9"; do
  # shellcheck disable=SC2086
  run 2 "$calc" --catalogue "$work/cat.db" $args --analysis "$doc"
  said "rien n'est calculé ni écrit"
  said "par défaut"
  [ ! -s "$work/out" ] || fail "$args still printed a result"
  grep -q "x\{61\}" "$work/err" && fail "more than 60 characters quoted: $(cat "$work/err")"
  if [ -n "$report" ]; then
    cp "$work/err" "$work/calc.err"
    # shellcheck disable=SC2086
    run 2 "$report" --catalogue "$work/cat.db" $args --pdf "$work/o.pdf" "$doc"
    [ "$(head -1 "$work/err" | cut -d' ' -f3-)" = "$(head -1 "$work/calc.err" | cut -d' ' -f3-)" ] ||
      fail "the tools word $args differently"
  fi
done
run 2 "$calc" --decimal-separator . --ambient 4,5,6 --analysis "$doc"
said "par défaut 40" && said "« 4,5,6 »"
run 2 "$calc" --decimal-separator . --wrap x --analysis "$doc"
said "par défaut 0.1"
run 2 "$calc" --decimal-separator , --wrap x --analysis "$doc"
said "par défaut 0,1"
run 0 "$calc" --catalogue "$work/cat.db" --decimal-separator , --ambient 4,5 --analysis "$doc"

# --- A hostile core name leaves the JSON, the SVG and the HTML readable by strict parsers.
run 0 "$calc" --catalogue "$work/hostile.db" --json --analysis --svg "$work/h.svg" \
  --html "$work/h.html" "$doc"
python3 - "$work/out" "$work/h.svg" "$work/h.html" <<'PY' || fail "hostile name broke an output"
import json, sys, xml.etree.ElementTree as ET
report = json.loads(open(sys.argv[1], "rb").read().decode("utf-8", "strict"))
assert report["fields"]["LbNoyau"].startswith("EI"), report["fields"]["LbNoyau"]
svg = ET.parse(sys.argv[2]).getroot()
assert any("EI" in (t.text or "") for t in svg.iter()), "no core name in the SVG"
html = open(sys.argv[3], "rb").read().decode("utf-8", "strict")
assert "\x1b" not in html and "<&" not in html
PY

# --- Every option of the help is in the man page, and every option there is taken.
for tool in kelvanor-calc kelvanor-report; do
  exe=$calc
  if [ $tool = kelvanor-report ]; then [ -n "$report" ] || continue; exe=$report; fi
  page=$source/packaging/man/$tool.1
  options=$("$exe" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
  [ "$(echo "$options" | wc -l)" -ge 5 ] || fail "$tool --help lists too few options"
  for option in $options; do
    grep -qF -- "${option//-/\\-}" "$page" || fail "$page lacks $option"
  done
  for option in $(grep -o -- '^\\fB\\-\\-[a-z\\-]*' "$page" | sed 's/\\fB//; s/\\//g' | sort -u); do
    "$exe" "$option" >/dev/null 2>"$work/err"
    grep -q "option inconnue" "$work/err" && fail "$tool does not know $option of its man page"
  done
done

[ "$failures" -eq 0 ] && echo "all safety checks passed"
exit $((failures > 0))
