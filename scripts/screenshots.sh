#!/usr/bin/env bash
# The pictures in docs/: the window on the example design, the "Ouvrir" dialog, the input error
# with its cause, the "À propos" box and the "Vérification" window and its idle tab, each taken
# on a virtual screen with a window manager, so that title bars show. The window is driven to each
# scene by kelvanor-screenshots (tests/gui/screenshot_main.cpp), built with the tests; it is copied
# in as "kelvanor" so that the title bar reads as the program's.
# Usage: scripts/screenshots.sh [bin folder, default build/release/bin]
set -euo pipefail
bin=$(realpath "${1:-build/release/bin}")
docs=$(realpath "$(dirname "$0")/../docs")
[ -x "$bin/kelvanor-screenshots" ] || {
  echo "screenshots: $bin/kelvanor-screenshots is missing (cmake --build ... --target kelvanor-screenshots)" >&2
  exit 2
}
# A folder with a plain name, since the dialogs show it.
work=${TMPDIR:-/tmp}/kelvanor-exemple
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cp "$bin/kelvanor-screenshots" "$work/kelvanor"
cp "$bin/Zivodevu.mdb" "$work/"
printf '[GLOBAL]\nDataBase=%s\n' "$work/Zivodevu.mdb" >"$work/kelvanor.ini"
printf '[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=2\nVolts2=9\nAmps2=1\n' \
  >"$work/exemple.kel"
# The "Vérification" window shows the README's worked example wound in two chambers with margins.
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n[VERIF]\nCarcasse=2\nMarge=1\n' \
  >"$work/exemple-verification.kel"
shot() {  # scene, picture[, document[, screen[, scale]]]
  xvfb-run -a -s "-screen 0 ${4:-1280x900}x24" sh -c \
    "openbox >/dev/null 2>&1 & sleep 1; cd '$work' && LANG=fr_FR.UTF-8 QT_SCALE_FACTOR=${5:-1} \
     ./kelvanor '$1' '$docs/$2' '${3:-exemple.kel}'"
}
shot fenetre window.png
shot ouvrir ouvrir.png
shot erreur erreur-de-saisie.png
shot apropos a-propos.png
shot verification verification.png exemple-verification.kel 1366x768
shot vide verification-a-vide.png exemple-verification.kel 1366x1200
# Beside the main window on a 1366 × 768 screen, and on the same screen at twice the scale.
shot cote-a-cote verification-1366x768.png exemple-verification.kel 1366x768
shot cote-a-cote verification-1366x768-x2.png exemple-verification.kel 2732x1536 2

# The report's three pages for the worked example, the first page of a valve design that does not
# fit its core and that of a valve supply with a centre tap, as pdftoppm renders the PDF
# kelvanor-calc --report writes.
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=500\nAmps1=0.1\nVolts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\n' \
  >"$work/lampes.kel"
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/example.kel"
# The valve supply's 2 × 250 V wound as one centre-tapped winding, on the core the search advises.
printf '[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=250\nAmps1=0.1\nVolts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\n[NOYAU]\nType=EI84/28\n[VERIF]\nPointMilieu1=1\n' \
  >"$work/point-milieu.kel"
for design in example lampes point-milieu; do
  "$bin/kelvanor-calc" --decimal-separator , --catalogue "$work/Zivodevu.mdb" \
    --report "$work/$design.pdf" "$work/$design.kel" >/dev/null
  pdftoppm -png -r 60 "$work/$design.pdf" "$work/$design"
done
mv "$work/example-1.png" "$docs/report-page1.png"
mv "$work/example-2.png" "$docs/report-page2.png"
mv "$work/example-3.png" "$docs/report-page3.png"
mv "$work/lampes-1.png" "$docs/report-overfull.png"
mv "$work/point-milieu-1.png" "$docs/report-centre-tap.png"
