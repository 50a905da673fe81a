#!/usr/bin/env bash
# The reports from kelvanor-calc beyond the golden outputs (tests/golden hold the SVG and the
# HTML): they leave the printed report as it is, and the PDF, read back, holds what the window
# shows.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in pdftotext pdfinfo pdfimages python3 sqlite3; do command -v $tool >/dev/null || exit 77; done
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' \
  >"$work/exemple-rapport.kel"
printf '[REMARQUES]\nFreeText=Carcasse en nylon\t\n' >>"$work/exemple-rapport.kel"

"$calc" --decimal-separator , "$work/exemple-rapport.kel" >"$work/plain.txt"
"$calc" --decimal-separator , --svg "$work/d.svg" --html "$work/d.html" --report "$work/d.pdf" \
  "$work/exemple-rapport.kel" >"$work/out.txt" || fail "status $?"
cmp -s "$work/plain.txt" "$work/out.txt" || fail "the drawings changed the printed report"

python3 - "$work/d.svg" <<'PY' || fail "SVG"
import sys, xml.etree.ElementTree as ET
assert ET.parse(sys.argv[1]).getroot().tag.endswith("svg")
PY

pdftotext "$work/d.pdf" "$work/d.txt" || fail "pdftotext"
# What the window shows, as it shows it: the name, the core, every turn count, the efficiency;
# then the turns to wind and efficiency of the design as wound, and the remarks. The winding is
# shown once, from page 1: the sheet's winding lines stay in the .dfa file.
for text in "exemple-rapport.kel" "EI84/35" "622" "270" "90%" "294" "70,4 %" \
  "Carcasse en nylon" "Fenêtre de bobinage"; do
  grep -qF "$text" "$work/d.txt" || fail "PDF text lacks: $text"
done
! grep -qF "spires. Dia:" "$work/d.txt" || fail "PDF shows the sheet's winding lines"

# The PDF as paper: A4 pages, the drawing as an image, the primary's computed current in its row,
# today's date day first.
pdfinfo -f 1 -l 99 "$work/d.pdf" >"$work/info.txt" || fail "pdfinfo"
python3 - "$work/info.txt" <<'PY' || fail "PDF pages are not A4"
import re, sys
sizes = re.findall(r"Page +\d+ size: +([\d.]+) x ([\d.]+) pts", open(sys.argv[1]).read())
assert sizes and all((round(float(w)), round(float(h))) == (595, 842) for w, h in sizes), sizes
PY
pdfimages -list "$work/d.pdf" | awk 'NR > 2 && $3 == "image" && $4 >= 300 { found = 1 } END { exit !found }' \
  || fail "no drawing as an image in the PDF"
pdftotext -layout "$work/d.pdf" "$work/layout.txt" || fail "pdftotext -layout"
grep -qE "^ *Pri +230 +0,43( |$)" "$work/layout.txt" || fail "the primary's row lacks 0,43 A"
grep -qF "$(date +%d/%m/%Y)" "$work/d.txt" || grep -qF "$(date +%d/%m/%Y)" "$work/layout.txt" \
  || fail "no date day first"

# The first page is the winding sheet, from the check: the turns to wind, the wires to buy, the
# copper to buy (the length + 5 % + 2 × 150 mm, whole metres up); a design that does not fit says
# so and names the core that would. At most three pages, each with the design's name and its
# number.
printf "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=500\nAmps1=0.1\nVolts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\n" \
  >"$work/lampes.kel"
"$calc" --decimal-separator , --report "$work/lampes.pdf" "$work/lampes.kel" >/dev/null \
  || fail "lampes: status $?"
sheet() {  # pdf, name, then extended regular expressions that page 1 must match
  local pdf=$1 name=$2 pages page
  shift 2
  pdftotext -layout -f 1 -l 1 "$pdf" "$work/page1.txt" || { fail "$name: pdftotext"; return; }
  for pattern in "$@"; do
    grep -qE "$pattern" "$work/page1.txt" || fail "$name: page 1 lacks /$pattern/"
  done
  pages=$(pdfinfo "$pdf" | awk '$1 == "Pages:" { print $2 }')
  [ "${pages:-9}" -le 3 ] || fail "$name: $pages pages"
  for page in $(seq 1 "${pages:-0}"); do
    pdftotext -f "$page" -l "$page" "$pdf" - | grep -q "^$name\$" || fail "$name: no name on page $page"
    pdftotext -f "$page" -l "$page" "$pdf" - | grep -q "^page $page/$pages\$" \
      || fail "$name: no number on page $page"
  done
}
# Four secondaries: four fuses more on page 3, whose pictures are made less tall to stay on it.
printf '[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=4\nVolts2=12\nAmps2=4\nVolts3=5\nAmps3=2.5\nVolts4=24\nAmps4=0.5\n' \
  >"$work/quatre.kel"
"$calc" --decimal-separator , --report "$work/quatre.pdf" "$work/quatre.kel" >/dev/null \
  || fail "quatre: status $?"
sheet "$work/quatre.pdf" quatre.kel "^ *Spires à bobiner( +[0-9]+){5}"
sheet "$work/d.pdf" exemple-rapport.kel "^ *Spires à bobiner +622 +294\$" "^ *Fil \(mm\) +0,40 +0,63\$" \
  "^ *À acheter \(m\) +99 +56\$"
sheet "$work/lampes.pdf" lampes.kel "ne rentre pas dans la fenêtre" "Noyau conseillé : aucun" \
  "^ *Spires à bobiner +630 +1503 +19 +16\$" "^ *Fil \(mm\) +0,355 +0,19 +1,12 +0,90\$" \
  "^ *À acheter \(m\) +104 +284 +5 +4\$"

# Page 3, the last: the idle transformer's table, a figure for each mains factor on every row,
# its verdict and fuses, then its two pictures as images of their own.
pdftotext -layout -f 3 -l 3 "$work/d.pdf" "$work/page3.txt" || fail "page 3: pdftotext"
[ "$(pdfinfo "$work/d.pdf" | awk '$1 == "Pages:" { print $2 }')" = 3 ] || fail "not three pages"
grep -q "^À vide et mise sous tension\$" "$work/page3.txt" || fail "page 3: no title"
figure='[0-9]+,[0-9]+'
for caption in "Induction de crête B0 \(T\)" "Courant magnétisant Iµ \(A\)" \
  "Crête magnétisante Îµ \(A\)" "Facteur de crête" "Pertes fer \(W\)" "Courant à vide I0 \(A\)" \
  "I0 en part de I1n \(%\)" "Puissance à vide P0 \(W\)" "Puissance apparente S0 \(VA\)" "cos φ0"; do
  grep -qE "^ *$caption +$figure +$figure +$figure\$" "$work/page3.txt" || fail "page 3 lacks /$caption/"
done
for pattern in "^ *Secteur +100 % +106 % +110 %\$" "^ *À vide +courbe M400-50A, chemin fer" \
  "^ *Verdict à vide +saturé" "^ *Induction conseillée +$figure T" "^ *Mise sous tension +crête" \
  "^ *Fusible primaire +T [0-9]" "^ *Fusible Sec 1 +T [0-9]"; do
  grep -qE "$pattern" "$work/page3.txt" || fail "page 3 lacks /$pattern/"
done
pictures=$(pdfimages -f 3 -l 3 -list "$work/d.pdf" | awk 'NR > 2 && $3 == "image" && $4 >= 1000' | wc -l)
[ "$pictures" -eq 2 ] || fail "page 3 has $pictures pictures, not 2"

# Markup in a core's name and in the remarks is text, escaped in the SVG and the HTML.
sqlite3 "$work/markup.db" "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, \
  MasseFer REAL, hautcu REAL, LargCu REAL, longspire REAL); \
  INSERT INTO EI VALUES ('EI84&<b>35</b>', 9.8, 1.209, 12, 39, 17.6);" || fail "sqlite3"
sed 's/^FreeText=.*/FreeText=R < 1 \& C <b>gras<\/b>/' "$work/exemple-rapport.kel" >"$work/markup.kel"
"$calc" --catalogue "$work/markup.db" --svg "$work/m.svg" --html "$work/m.html" "$work/markup.kel" \
  >/dev/null || fail "markup: status $?"
python3 - "$work/m.svg" "$work/m.html" <<'PY' || fail "markup not escaped"
import sys, xml.etree.ElementTree as ET
title = [t.text for t in ET.parse(sys.argv[1]).getroot().iter() if t.tag.endswith("title")]
assert title == ["Fenêtre de bobinage EI84&<b>35</b>"], title
html = open(sys.argv[2], encoding="utf-8").read()
assert "R &lt; 1 &amp; C &lt;b&gt;gras&lt;/b&gt;" in html, "remarks"
assert "EI84&amp;&lt;b&gt;35&lt;/b&gt;" in html, "core"
assert "<b>" not in html
PY

# No check, no drawing: the SVG is refused, the reports say why.
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1000\n' \
  >"$work/big.kel"
"$calc" --svg "$work/big.svg" "$work/big.kel" >/dev/null 2>&1
[ $? -eq 2 ] || fail "an SVG without a check"
"$calc" --html "$work/big.html" "$work/big.kel" >/dev/null || fail "HTML without a check"
grep -qF "Pas de vérification : pas de noyau." "$work/big.html" || fail "no reason in the HTML"

[ "$failures" -eq 0 ] && echo "all report checks passed"
exit $((failures > 0))
