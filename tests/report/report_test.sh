#!/usr/bin/env bash
# The drawing and the reports from kelvanor-calc: SVG, HTML with the SVG inline, and the PDF
# whose text, read back, holds what the window shows.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v pdftotext >/dev/null && command -v python3 >/dev/null || exit 77
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' \
  >"$work/exemple-rapport.kel"
printf '[REMARQUES]\nFreeText=Carcasse en nylon\t\n' >>"$work/exemple-rapport.kel"

"$calc" --decimal-separator , "$work/exemple-rapport.kel" >"$work/plain.txt"
"$calc" --decimal-separator , --svg "$work/d.svg" --html "$work/d.html" --report "$work/d.pdf" \
  "$work/exemple-rapport.kel" >"$work/out.txt" || fail "status $?"
cmp -s "$work/plain.txt" "$work/out.txt" || fail "the drawings changed the printed report"

python3 - "$work/d.svg" "$work/d.html" <<'PY' || fail "SVG or HTML"
import sys, xml.etree.ElementTree as ET
svg = ET.parse(sys.argv[1]).getroot()
assert svg.tag.endswith("svg"), svg.tag
texts = [t.text for t in svg.iter() if t.tag.endswith("text")]
assert "Pri : 622 spires, fil 0,400 mm, 8 couches" in texts, texts
html = open(sys.argv[2], encoding="utf-8").read()
for wanted in ("<svg", "exemple-rapport.kel", "EI84/35", "622", "270", "90%", "Carcasse en nylon",
               "Primaire", "OpenMagnetics"):
    assert wanted in html, wanted
PY

pdftotext "$work/d.pdf" "$work/d.txt" || fail "pdftotext"
# What the window shows, as it shows it: the name, the core, every turn count, the efficiency;
# then the check's turns to wind and efficiency, the sheet's line and the remarks.
for text in "exemple-rapport.kel" "EI84/35" "622" "270" "90%" "290" "87,4" \
  "(237,5 Volts) 622 spires. Dia: 0,39 (109,5 m)" "Carcasse en nylon" "Fenêtre de bobinage"; do
  grep -qF "$text" "$work/d.txt" || fail "PDF text lacks: $text"
done

# No check, no drawing: the SVG is refused, the reports say why.
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1000\n' \
  >"$work/big.kel"
"$calc" --svg "$work/big.svg" "$work/big.kel" >/dev/null 2>&1
[ $? -eq 2 ] || fail "an SVG without a check"
"$calc" --html "$work/big.html" "$work/big.kel" >/dev/null || fail "HTML without a check"
grep -qF "Pas de vérification : pas de noyau." "$work/big.html" || fail "no reason in the HTML"

[ "$failures" -eq 0 ] && echo "all report checks passed"
exit $((failures > 0))
