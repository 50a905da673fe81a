#!/usr/bin/env bash
# kelvanor-calc --analysis beyond the golden outputs (tests/golden): the check's options given on
# the command line, over the document's, and the statuses of bad option values.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v python3 >/dev/null || exit 77
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/ex.kel"
printf '[VERIF]\nGrade=1\nAmbiante=60\n' >>"$work/ex.kel"
# The same at 1.3 T: at 1.7 T every core saturates and runs too hot, and none is advised.
sed 's/^Tesla=1.7$/Tesla=1.3/' "$work/ex.kel" >"$work/ex13.kel"

"$calc" --json "$work/ex.kel" >"$work/plain.json" || fail "plain JSON run"
"$calc" --json --analysis --grade 2 --ambient 25 --steel m270-35a --building-factor 1,2 \
  --interlayer 0.08 --wrap 0.2 --stacking-factor 0,97 --insulation-class f --tape-layers 2 \
  --tape-thickness 0.1 --margin 0.5 --chambers 2 --partition 1,5 --joint-gap 80 \
  --remanence 0,1 "$work/ex.kel" \
  >"$work/check.json" || fail "JSON run"
python3 - "$work/plain.json" "$work/check.json" <<'PY' || fail "JSON analysis"
import json, math, sys
plain, check = (json.load(open(p)) for p in sys.argv[1:3])
analysis = check.pop("analysis")
assert plain == check, "the report around the analysis changed"
o = analysis["options"]
assert (o["grade"], o["ambient_c"], o["steel"], o["building_factor"], o["interlayer_mm"],
        o["wrap_mm"], o["stacking_factor"], o["insulation_class"], o["tape_layers"],
        o["tape_thickness_mm"], o["margin_mm"], o["bobbin_chambers"], o["partition_mm"],
        o["joint_gap_um"], o["remanence"]) == (
        2, 25, "M270-35A", 1.2, 0.08, 0.2, 0.97, "F", 2, 0.1, 0.5, 2, 1.5, 80, 0.1), o
primary, secondary = analysis["windings"]
# Two chambers side by side, each (39 − 1.5) ÷ 2 − 2 × 0.5 wide; no tape between them.
width = (39 - 1.5) / 2 - 2 * 0.5
layers = math.ceil(622 / math.floor(width / 0.459))
assert primary["usable_width_mm"] == width and (primary["chamber"], secondary["chamber"]) == (1, 2)
assert primary["overall_mm"] == 0.459
assert primary["build_mm"] == layers * 0.459 + (layers - 1) * 0.08 + 0.2
assert analysis["tape_mm"] == 0 and len(analysis["chambers"]) == 2, analysis["chambers"]
assert analysis["thermal_limit_c"] == 140
# The crest induction is the primary's 622 turns' on 9.8 cm² × 0.97.
b = math.sqrt(2) * 230 / (2 * math.pi * 50 * 622 * 9.8e-4 * 0.97)
assert abs(analysis["induction_real_t"] - b) < 1e-9, analysis["induction_real_t"]
assert abs(analysis["iron_loss_w"] - 1.2 * 1.209 * 2.7 * (b / 1.5) ** 2) < 1e-9
no_load = analysis["no_load"]
assert no_load["curve"] == {"grade": "M270-50A", "approximated": True}, no_load["curve"]
assert no_load["joint_gap_um"] == 80 and [p["mains_pct"] for p in no_load["at"]] == [100, 106, 110]
assert abs(analysis["primary_current_a"] - math.hypot(analysis["load_current_a"],
                                                      no_load["at"][0]["magnetising_a"])) < 1e-12
assert analysis["switch_on"]["remanence"] == 0.1 and analysis["switch_on"]["peak_a"] > 0
assert analysis["fuses"]["primary"]["text"].startswith("T "), analysis["fuses"]
assert list(analysis)[-1] == "advised_core", list(analysis)
assert list(analysis["advised_core"]) == ["name", "mass_kg", "fill_pct", "copper_temperature_c",
                                          "efficiency_pct"], analysis["advised_core"]
PY
"$calc" --decimal-separator , --analysis "$work/ex13.kel" >"$work/check.txt" || fail "text run"
grep -qE "^Noyau conseillé : EI[0-9/]+ — [0-9]+,[0-9]{2} kg, remplissage [0-9]+ %, [0-9]+ °C$" \
  "$work/check.txt" || fail "text lacks the advised core"

# --cores: the table with the same options; "ok" exactly where the search may advise, the
# advised core the lightest of those.
"$calc" --json --cores --grade 2 --insulation-class a "$work/ex13.kel" >"$work/cores.json" ||
  fail "cores JSON run"
"$calc" --json --analysis --grade 2 --insulation-class a "$work/ex13.kel" >"$work/advised.json" ||
  fail "advised run"
python3 - "$work/cores.json" "$work/advised.json" <<'PY' || fail "cores JSON"
import json, sys
cores = json.load(open(sys.argv[1]))["cores"]
analysis = json.load(open(sys.argv[2]))["analysis"]
advised = analysis["advised_core"]
assert analysis["options"]["insulation_class"] == "A"
assert len(cores) == 52 and all(list(c) == ["name", "mass_kg", "fill_pct", "copper_temperature_c",
                                            "efficiency_pct", "verdict", "no_load_verdict",
                                            "no_load_current_pct"] for c in cores), cores[0]
assert all(c["verdict"] in ("ok", "incomplet", "trop plein", "juste", "trop chaud")
           for c in cores), cores
ok = [c for c in cores if c["verdict"] == "ok"]
best = min(ok, key=lambda c: c["mass_kg"])
assert advised == {k: best[k] for k in advised}, (advised, best)
# Class A: 100 °C at most; "juste" within 10 K of it may still be advised.
assert all(c["fill_pct"] <= 90 and c["copper_temperature_c"] <= 100 for c in ok)
assert all(c["verdict"] == "trop chaud" for c in cores
           if c["fill_pct"] is not None and c["fill_pct"] <= 90
           and c["copper_temperature_c"] is not None and c["copper_temperature_c"] > 100)
assert any(c["fill_pct"] > 100 for c in cores)
PY
"$calc" --decimal-separator , --cores "$work/ex13.kel" >"$work/cores.txt" || fail "cores text run"
grep -qE "^> EI[0-9/]+ +[0-9]+,[0-9]{3} .* ok +(ok|juste|saturé) +[0-9]+$" "$work/cores.txt" ||
  fail "advised not marked"

printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1000\n' \
  >"$work/big.kel"
"$calc" --json --analysis "$work/big.kel" >"$work/big.json"
grep -qF '"analysis": {"none": {"code": "no_core", "text": "pas de noyau"}, "advised_core": null, "advised_core_reason": "aucun noyau ne convient : ' \
  "$work/big.json" || fail "no core not said"

# A catalogue with a damaged page deep in its table: the chain finds its core through the mass
# index; the check, the drawing and the HTML report read no catalogue and go on. The damage is
# told once, in the report's messages, never by an abort.
python3 - "$work/damaged.db" <<'PY' || fail "damaged catalogue"
import sqlite3, sys
path = sys.argv[1]
db = sqlite3.connect(path)
db.executescript("""
CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, hautcu REAL,
                 LargCu REAL, longspire REAL);
INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
  SELECT 'EI-LONG-REFERENCE-' || i, 10 + i, 0.5 + i / 1000.0, 12, 30, 20 FROM n;
CREATE INDEX EI_MasseFer ON EI (MasseFer);""")
db.close()
data = bytearray(open(path, "rb").read())
leaves = [p for p in range(1, len(data) // 4096) if data[p * 4096] == 0x0D]
data[leaves[-1] * 4096] = 0x07  # no page type has it
open(path, "wb").write(data)
PY
"$calc" --catalogue "$work/damaged.db" --analysis --svg "$work/damaged.svg" \
  --html "$work/damaged.html" "$work/ex.kel" >"$work/damaged.txt" 2>"$work/damaged.err"
status=$?
[ "$status" -le 1 ] || fail "damaged catalogue: status $status $(cat "$work/damaged.err")"
grep -qF "Pertes cuivre (W)" "$work/damaged.txt" || fail "damaged catalogue: no check"
[ "$(grep -c '^Message : ' "$work/damaged.txt")" -le 1 ] || fail "damaged catalogue told twice"
[ -s "$work/damaged.svg" ] && [ -s "$work/damaged.html" ] || fail "damaged catalogue: no drawing"

for args in "--grade 3" "--ambient chaud" "--steel M9" "--wrap" "--chambers 3" \
  "--insulation-class C" "--tape-layers 1.5" "--grade 2" "--cores --grade 3"; do
  extra=--analysis
  [ "$args" = "--grade 2" ] && extra=  # the check's options go with --analysis only
  # shellcheck disable=SC2086
  "$calc" $extra $args "$work/ex.kel" >/dev/null 2>&1
  [ $? -eq 2 ] || fail "status for $args $extra"
done

[ "$failures" -eq 0 ] && echo "all kelvanor-calc --analysis checks passed"
exit $((failures > 0))
