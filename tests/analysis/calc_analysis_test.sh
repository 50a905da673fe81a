#!/usr/bin/env bash
# kelvanor-calc --analysis: the "Vérification" section, the "analysis" object, the options on the
# command line, and the plain report left exactly as it is without --analysis.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v python3 >/dev/null || exit 77
printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/ex.kel"

"$calc" --decimal-separator , "$work/ex.kel" >"$work/plain.txt" || fail "plain run"
"$calc" --decimal-separator , --analysis "$work/ex.kel" >"$work/check.txt" || fail "text run"
# The plain report is the start of the report with the check, to the byte.
head -c "$(stat -c %s "$work/plain.txt")" "$work/check.txt" | cmp -s - "$work/plain.txt" ||
  fail "--analysis changed the plain report"
for text in "Vérification" "Pri           622     0,400     0,439        88         8      3,96" \
  "Hauteur bobinée (mm)    7,66 (63,8 %, ok)" "Température (°C)        75,4, classe A (4 tours)" \
  "OpenMagnetics"; do
  grep -qF "$text" "$work/check.txt" || fail "text lacks: $text"
done

"$calc" --json "$work/ex.kel" >"$work/plain.json" || fail "plain JSON run"
"$calc" --json --analysis --grade 2 --ambient 25 --steel m270-35a --building-factor 1,2 \
  --interlayer 0.08 --wrap 0.2 "$work/ex.kel" >"$work/check.json" || fail "JSON run"
python3 - "$work/plain.json" "$work/check.json" <<'PY' || fail "JSON analysis"
import json, sys
plain, check = (json.load(open(p)) for p in sys.argv[1:3])
analysis = check.pop("analysis")
assert plain == check, "the report around the analysis changed"
keys = ["options", "windings", "build_mm", "fill_pct", "fill_status", "iron_loss_w",
        "copper_loss_w", "surface_cm2", "temperature_rise_k", "copper_temperature_c",
        "thermal_class", "efficiency_pct", "rounds", "advised_core"]
assert list(analysis) == keys, list(analysis)
o = analysis["options"]
assert (o["grade"], o["ambient_c"], o["steel"], o["building_factor"], o["interlayer_mm"],
        o["wrap_mm"]) == (2, 25, "M270-35A", 1.2, 0.08, 0.2), o
primary, secondary = analysis["windings"]
common = ["row", "turns", "wire_mm", "overall_mm", "turns_per_layer", "layers", "build_mm",
          "current_density", "length_m", "r20_ohm", "r_hot_ohm", "copper_loss_w",
          "copper_mass_kg"]
assert list(primary) == common, list(primary)
assert list(secondary) == common + ["no_load_v", "loaded_v", "regulation_pct", "turns_to_wind",
                                    "loaded_v_at_turns_to_wind"], list(secondary)
assert primary["overall_mm"] == 0.459 and primary["build_mm"] == 8 * 0.459 + 7 * 0.08 + 0.2
assert abs(analysis["iron_loss_w"] - 1.2 * 1.209 * 2.7 * (1.7 / 1.5) ** 2) < 1e-12
assert list(analysis["advised_core"]) == ["name", "mass_kg", "fill_pct", "copper_temperature_c",
                                          "efficiency_pct"], analysis["advised_core"]
PY
grep -qE "^Noyau conseillé : EI[0-9/]+ — [0-9]+,[0-9]{2} kg, remplissage [0-9]+ %, [0-9]+ °C$" \
  "$work/check.txt" || fail "text lacks the advised core"

# --cores: the table with the same options; "ok" exactly where the search may advise, the
# advised core the lightest of those.
"$calc" --json --cores --grade 2 "$work/ex.kel" >"$work/cores.json" || fail "cores JSON run"
"$calc" --json --analysis --grade 2 "$work/ex.kel" >"$work/advised.json" || fail "advised run"
python3 - "$work/cores.json" "$work/advised.json" <<'PY' || fail "cores JSON"
import json, sys
cores = json.load(open(sys.argv[1]))["cores"]
advised = json.load(open(sys.argv[2]))["analysis"]["advised_core"]
assert len(cores) == 52 and all(c["verdict"] in
    ("ok", "incomplet", "trop plein", "juste", "trop chaud") for c in cores), cores
ok = [c for c in cores if c["verdict"] == "ok"]
best = min(ok, key=lambda c: c["mass_kg"])
assert advised == {k: best[k] for k in advised}, (advised, best)
assert all(c["fill_pct"] <= 90 for c in ok) and any(c["fill_pct"] > 100 for c in cores)
PY
"$calc" --decimal-separator , --cores "$work/ex.kel" >"$work/cores.txt" || fail "cores text run"
grep -qE "^> EI[0-9/]+ +[0-9]+,[0-9]{3} .* ok$" "$work/cores.txt" || fail "advised not marked"

printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1000\n' \
  >"$work/big.kel"
"$calc" --json --analysis "$work/big.kel" >"$work/big.json"
grep -qF '"analysis": {"none": "pas de noyau", "advised_core": null, "advised_core_reason": "aucun noyau ne convient : ' \
  "$work/big.json" || fail "no core not said"
printf '[SPECIFS]\nFreq=0\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/zero.kel"
"$calc" --json --analysis "$work/zero.kel" >"$work/zero.json"
grep -qF '"analysis": {"none": "Erreur de saisie", "advised_core": null, "advised_core_reason": "Erreur de saisie"}}' \
  "$work/zero.json" || fail "error not said"
printf '[SPECIFS]\nFreq=50\nVolts0=230\nVolts1=100\nAmps1=1\n[VERIF]\nGrade=3\n' >"$work/bad.kel"
"$calc" --analysis "$work/bad.kel" >"$work/bad.txt"
grep -qF "Vérification : Grade « 3 » : 1 ou 2 attendu ; 1 utilisé." "$work/bad.txt" ||
  fail "bad option not reported"

for args in "--grade 3" "--ambient chaud" "--steel M9" "--wrap" "--grade 2" "--cores --grade 3"; do
  extra=--analysis
  [ "$args" = "--grade 2" ] && extra=  # the check's options go with --analysis only
  # shellcheck disable=SC2086
  "$calc" $extra $args "$work/ex.kel" >/dev/null 2>&1
  [ $? -eq 2 ] || fail "status for $args $extra"
done

[ "$failures" -eq 0 ] && echo "all kelvanor-calc --analysis checks passed"
exit $((failures > 0))
