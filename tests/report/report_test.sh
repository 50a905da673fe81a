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
command -v pdftotext >/dev/null && command -v python3 >/dev/null || exit 77
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
# then the check's turns to wind and efficiency, the sheet's line and the remarks.
for text in "exemple-rapport.kel" "EI84/35" "622" "270" "90%" "290" "87,4" \
  "(237,5 Volts) 622 spires. Dia: 0,39 (109,5 m)" "Carcasse en nylon" "Fenêtre de bobinage"; do
  grep -qF "$text" "$work/d.txt" || fail "PDF text lacks: $text"
done

[ "$failures" -eq 0 ] && echo "all report checks passed"
exit $((failures > 0))
