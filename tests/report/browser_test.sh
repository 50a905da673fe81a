#!/usr/bin/env bash
# The HTML report as a browser renders it: headless Chromium opens it at the width of an A4 page
# and a script measures the page it laid out. The key figures are on it, nothing reaches past its
# width, and every line of the drawing's legend lies inside the drawing, on the worked example,
# an overfull design and a design of five windings; the same of the idle pictures of page 3, every
# caption, figure and legend inside its picture.
set -u
calc=$1
command -v chromium >/dev/null || exit 77  # scripts/install-deps.sh installs it
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

spec='[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\n'
printf "${spec}Volts1=100\nAmps1=1\n" >"$work/exemple.kel"
printf "${spec}Volts1=500\nAmps1=0.1\nVolts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\n" >"$work/lampes.kel"
printf "${spec}Volts1=250\nAmps1=0.1\nVolts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\nVolts4=12\nAmps4=0.5\n" \
  >"$work/cinq.kel"
# A window of 4 mm leaves the worked example far too full.
sqlite3 "$work/etroit.db" "CREATE TABLE EI (Ref TEXT, SectionFer REAL, MasseFer REAL, \
  hautcu REAL, LargCu REAL, longspire REAL); INSERT INTO EI VALUES ('EI84/35', 9.8, 1.209, 4, \
  39, 17.6);" || fail "sqlite3"

# Writes into the page what it measured: its width, what lies past it, the legend lines cut by
# the drawing's box, the figures missing from the rendered text.
measure='<script>
const figures = FIGURES;
const width = document.documentElement.clientWidth;
const lines = ["largeur " + width + " défilement " + document.documentElement.scrollWidth];
for (const e of document.body.querySelectorAll("*")) {
  const r = e.getBoundingClientRect();
  if (r.width > 0 && (r.left < -0.5 || r.right > width + 0.5)) {
    lines.push("déborde " + e.tagName + " " + Math.round(r.right) + " " + e.textContent.slice(0, 40));
  }
}
const svgs = document.querySelectorAll("svg");
if (!svgs.length) lines.push("pas de dessin");
let legend = 0;
for (const svg of svgs) {
  const box = svg.getBoundingClientRect();
  for (const t of svg.querySelectorAll("text")) {
    const r = t.getBoundingClientRect();
    if (svg === svgs[0]) legend += 1;
    if (r.width <= 0 || r.left < box.left - 0.5 || r.right > box.right + 0.5 ||
        r.top < box.top - 0.5 || r.bottom > box.bottom + 0.5) {
      lines.push("coupée " + t.textContent);
    }
  }
}
lines.push("textes du dessin " + legend + " images " + svgs.length);
const shown = document.body.innerText;
for (const f of figures) if (!shown.includes(f)) lines.push("manque " + f);
const pre = document.createElement("pre");
pre.id = "mesures";
pre.textContent = lines.join("\n");
document.body.appendChild(pre);
</script>'

check() {  # name, catalogue flag..., then the figures as a JSON list
  local name=$1 figures=$2
  shift 2
  "$calc" --decimal-separator , "$@" --html "$work/$name.html" "$work/$name.kel" >/dev/null \
    || { fail "$name: kelvanor-calc"; return; }
  cp "$work/$name.html" "$work/$name.print.html"
  python3 - "$work/$name.html" "$figures" "$measure" <<'PY' || { fail "$name: page"; return; }
import sys
path, figures, script = sys.argv[1:]
page = open(path, encoding="utf-8").read()
assert "</body>" in page
open(path, "w", encoding="utf-8").write(page.replace("</body>", script.replace("FIGURES", figures) + "</body>"))
PY
  timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profil-$name" --window-size=794,1123 --dump-dom \
    "file://$work/$name.html" >"$work/$name.dom" 2>"$work/$name.err" \
    || { fail "$name: chromium $(tail -3 "$work/$name.err")"; return; }
  python3 - "$work/$name.dom" "$name" <<'PY' || fail "$name: rendered page"
import html, re, sys
dom = open(sys.argv[1], encoding="utf-8").read()
found = re.search(r'<pre id="mesures">(.*?)</pre>', dom, re.S)
assert found, "the script did not run"
lines = html.unescape(found.group(1)).splitlines()
width, scroll = map(int, re.match(r"largeur (\d+) défilement (\d+)", lines[0]).groups())
problems = [l for l in lines[1:] if not l.startswith("textes du dessin")]
counts = next(l for l in lines if l.startswith("textes du dessin")).split()
drawn, pictures = int(counts[3]), int(counts[5])
assert 700 < width and scroll <= width and not problems and drawn >= 5 and pictures == 3, lines
print(sys.argv[2], "; ".join(lines))
PY
  # Printed as a browser prints it: A4, at most three sheets.
  timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profil-$name" --print-to-pdf="$work/$name.pdf" \
    "file://$work/$name.print.html" 2>>"$work/$name.err" || { fail "$name: printing"; return; }
  local sheets
  sheets=$(pdfinfo "$work/$name.pdf" | sed -n 's/^Pages: *//p')
  [ "${sheets:-9}" -le 3 ] || fail "$name: printed on ${sheets:-?} sheets"
}

check exemple '["EI84/35", "622", "270", "90%", "Pri : 622 spires", "À vide et mise sous tension",
  "Courant magnétisant Iµ (A)", "saturé (I0 à 110 %", "Fusible primaire"]'
check lampes '["500", "Sec 3", "Trop plein", "ne rentre pas", "Noyau conseillé : aucun"]'
check cinq '["Sec 4", "12", "0,5"]'
check exemple '["Trop plein", "Hachures rouges"]' --catalogue "$work/etroit.db"

[ "$failures" -eq 0 ] && echo "all browser checks passed"
exit $((failures > 0))
