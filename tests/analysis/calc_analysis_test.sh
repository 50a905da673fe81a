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
  "Hauteur bobinée (mm)    7,81 (65,1 %, ok)" \
  "Température (°C)        76,8, ok en classe B, classe requise A (4 tours)" \
  "OpenMagnetics"; do
  grep -qF "$text" "$work/check.txt" || fail "text lacks: $text"
done

"$calc" --json "$work/ex.kel" >"$work/plain.json" || fail "plain JSON run"
"$calc" --json --analysis --grade 2 --ambient 25 --steel m270-35a --building-factor 1,2 \
  --interlayer 0.08 --wrap 0.2 --stacking-factor 0,97 --insulation-class f --tape-layers 2 \
  --tape-thickness 0.1 --margin 0.5 --chambers 2 --partition 1,5 "$work/ex.kel" \
  >"$work/check.json" || fail "JSON run"
python3 - "$work/plain.json" "$work/check.json" <<'PY' || fail "JSON analysis"
import json, math, sys
plain, check = (json.load(open(p)) for p in sys.argv[1:3])
analysis = check.pop("analysis")
assert plain == check, "the report around the analysis changed"
keys = ["options", "windings", "complete", "tape_mm", "chambers", "build_mm", "fill_pct",
        "fill_status", "induction_real_t", "induction_real_at_110pct_mains_t", "iron_loss_w",
        "primary_current_a", "copper_loss_w", "surface_cm2", "temperature_rise_k",
        "copper_temperature_c", "thermal_limit_c", "thermal_verdict", "required_class",
        "efficiency_pct", "rounds", "turns_to_wind_rounds"]
assert list(analysis) == keys, list(analysis)
o = analysis["options"]
assert (o["grade"], o["ambient_c"], o["steel"], o["building_factor"], o["interlayer_mm"],
        o["wrap_mm"], o["stacking_factor"], o["insulation_class"], o["tape_layers"],
        o["tape_thickness_mm"], o["margin_mm"], o["bobbin_chambers"], o["partition_mm"]) == (
        2, 25, "M270-35A", 1.2, 0.08, 0.2, 0.97, "F", 2, 0.1, 0.5, 2, 1.5), o
primary, secondary = analysis["windings"]
common = ["row", "turns", "diameter_mm", "imposed", "chamber", "usable_width_mm", "strands",
          "wire_mm", "overall_mm", "turns_per_layer", "layers", "build_mm", "current_density",
          "mean_turn_mm", "length_m", "r20_ohm", "r_hot_ohm", "copper_loss_w", "copper_mass_kg"]
assert list(primary) == common, list(primary)
assert list(secondary) == common + [
    "no_load_v", "loaded_v", "regulation_pct", "loaded_v_at_90pct_mains",
    "loaded_v_at_110pct_mains", "no_load_v_at_110pct_mains", "turns_to_wind",
    "loaded_v_at_turns_to_wind"], list(secondary)
# Two chambers side by side, each (39 − 1.5) ÷ 2 − 2 × 0.5 wide; no tape between them.
width = (39 - 1.5) / 2 - 2 * 0.5
layers = math.ceil(622 / math.floor(width / 0.459))
assert primary["usable_width_mm"] == width and (primary["chamber"], secondary["chamber"]) == (1, 2)
assert primary["overall_mm"] == 0.459 and primary["build_mm"] == layers * 0.459 + (layers - 1) * 0.08 + 0.2
assert analysis["tape_mm"] == 0 and len(analysis["chambers"]) == 2, analysis["chambers"]
assert analysis["thermal_limit_c"] == 140
assert abs(analysis["iron_loss_w"] - 1.2 * 1.209 * 2.7 * (1.7 / 0.97 / 1.5) ** 2) < 1e-12
PY

printf '[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1000\n' \
  >"$work/big.kel"
"$calc" --json --analysis "$work/big.kel" >"$work/big.json"
grep -qF '"analysis": {"none": "pas de noyau"}}' "$work/big.json" || fail "no core not said"
printf '[SPECIFS]\nFreq=0\nVolts0=230\nVolts1=100\nAmps1=1\n' >"$work/zero.kel"
"$calc" --json --analysis "$work/zero.kel" >"$work/zero.json"
grep -qF '"analysis": {"none": "Erreur de saisie"}}' "$work/zero.json" || fail "error not said"
printf '[SPECIFS]\nFreq=50\nVolts0=230\nVolts1=100\nAmps1=1\n[VERIF]\nGrade=3\n' >"$work/bad.kel"
"$calc" --analysis "$work/bad.kel" >"$work/bad.txt"
grep -qF "Vérification : Grade « 3 » : 1 ou 2 attendu ; 1 utilisé." "$work/bad.txt" ||
  fail "bad option not reported"

for args in "--grade 3" "--ambient chaud" "--steel M9" "--wrap" "--chambers 3" \
  "--insulation-class C" "--tape-layers 1.5" "--grade 2"; do
  extra=--analysis
  [ "$args" = "--grade 2" ] && extra=  # the check's options go with --analysis only
  # shellcheck disable=SC2086
  "$calc" $extra $args "$work/ex.kel" >/dev/null 2>&1
  [ $? -eq 2 ] || fail "status for $args $extra"
done

[ "$failures" -eq 0 ] && echo "all kelvanor-calc --analysis checks passed"
exit $((failures > 0))
