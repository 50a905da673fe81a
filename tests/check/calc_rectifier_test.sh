#!/usr/bin/env bash
# kelvanor-calc --rectifier: the value over the document's keys, the analysis' rectifiers member
# only where a secondary is rectified, an impossible request's null figures, and the refusals;
# --centre-tap and its document key.
set -u
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v python3 >/dev/null || exit 77
printf '[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=20\nAmps1=3\nVolts2=9\nAmps2=1\n' \
  >"$work/ex.kel"
printf '[VERIF]\nRedresseur1=pont\nVoltsContinus1=24\nAmpsContinus1=2\nCondensateur1=10\n' \
  >>"$work/ex.kel"

"$calc" --json --analysis "$work/ex.kel" >"$work/doc.json" || fail "document run"
"$calc" --json --analysis --rectifier 1:pont:24:2:4700 --rectifier 2:point-milieu:5:1 \
  "$work/ex.kel" >"$work/flags.json" || fail "flags run"
printf '[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=20\nAmps1=3\n' >"$work/plain.kel"
"$calc" --json --analysis "$work/plain.kel" >"$work/plain.json" || fail "plain run"
python3 - "$work/doc.json" "$work/flags.json" "$work/plain.json" <<'PY' || fail "JSON"
import json, sys
doc, flags, plain = (json.load(open(p))["analysis"] for p in sys.argv[1:4])
assert "rectifiers" not in plain, "a design without rectifiers has no rectifiers member"
(small,) = doc["rectifiers"]
assert small["status"]["code"] == "condensateur-trop-petit", small["status"]
assert small["capacitor_uf"] == 10 and small["capacitor_chosen"] is False
figures = ["ac_no_load_v", "ac_rms_a", "peak_diode_a", "conduction_deg", "ripple_v",
           "capacitor_ripple_a", "dc_v_at_90pct_mains", "dc_v_at_110pct_mains", "dc_v_as_wound",
           "capacitor_rating_v"]
assert all(small[k] is None for k in figures), small
bridge, tap = flags["rectifiers"]
assert list(bridge) == ["row", "type", "dc_v", "dc_a", "capacitor_uf", "capacitor_chosen",
                        "capacitor_rating_v", "diode_drop_v"] + figures[:-1] + ["status"], list(bridge)
assert bridge["status"]["code"] == "ok" and bridge["capacitor_uf"] == 4700
assert tap["type"] == {"code": "point-milieu", "text": "double alternance + condensateur"}
assert tap["capacitor_chosen"] is True and tap["status"]["code"] == "ok", tap
# A centre tap's half carries 1/√2 of what a bridge's winding would.
assert 1.4 < bridge["ac_rms_a"] / 2 < 2.5 and 1.4 < tap["ac_rms_a"] * 2 ** 0.5 < 2.5, (bridge, tap)
assert bridge["dc_v_at_90pct_mains"] < 24 < bridge["dc_v_at_110pct_mains"]
PY
"$calc" --decimal-separator , --analysis --rectifier 1:pont:24:2:4700 "$work/ex.kel" \
  >"$work/out.txt" || fail "text run"
grep -q "^    Sec 1  *pont + condensateur : 24,00 V, 2,000 A continus" "$work/out.txt" ||
  fail "text lacks the rectifier"

for value in "1:pont:24" "5:pont:24:2" "1:demi:24:2" "1:pont:24:0" "1:pont:24:2:-1"; do
  "$calc" --analysis --rectifier "$value" "$work/ex.kel" >/dev/null 2>"$work/err"
  [ $? -eq 2 ] || fail "status for --rectifier $value"
  grep -q "rien n'est calculé ni écrit" "$work/err" || fail "message for $value: $(cat "$work/err")"
done
"$calc" --rectifier 1:pont:24:2 "$work/ex.kel" >/dev/null 2>&1
[ $? -eq 2 ] || fail "--rectifier without --analysis"

# A centre tap: the document's key and --centre-tap give the same check, which the chain ignores;
# the winding is 2 × the half's turns, each half reaching its volts and losing I²·R of its own.
sed 's/^Volts2=.*//;s/^Amps2=.*//;/^\[VERIF\]/,$d' "$work/ex.kel" >"$work/one.kel"
{ cat "$work/one.kel"; printf '[VERIF]\nPointMilieu1=1\n'; } >"$work/tap.kel"
"$calc" --json "$work/one.kel" >"$work/one.chain.json" || fail "chain run"
"$calc" --json "$work/tap.kel" >"$work/tap.chain.json" || fail "chain run with the key"
cmp -s "$work/one.chain.json" "$work/tap.chain.json" || fail "PointMilieu1 changed the chain"
"$calc" --json --analysis "$work/tap.kel" >"$work/tap.json" || fail "centre tap run"
"$calc" --json --analysis --centre-tap 1 "$work/one.kel" >"$work/flag.json" || fail "flag run"
cmp -s "$work/tap.json" "$work/flag.json" || fail "--centre-tap 1 differs from PointMilieu1=1"
python3 - "$work/tap.json" <<'PY' || fail "centre tap JSON"
import json, sys
a = json.load(open(sys.argv[1]))["analysis"]
wound = (a["as_wound"] or a)["windings"][1]
assert wound["centre_tap"] is True and wound["turns"] % 2 == 0, wound
assert wound["turns_to_wind"] == wound["turns"] and wound["loaded_v"] >= 20, wound
loss = 2 * wound["current_density"] ** 2 * wound["section_mm2"] ** 2 * wound["r_hot_ohm"]
assert abs(wound["copper_loss_w"] - loss) < 1e-9 * loss, (wound["copper_loss_w"], loss)
PY
for value in 0 5 x 1:2 ""; do
  "$calc" --analysis --centre-tap "$value" "$work/one.kel" >/dev/null 2>"$work/err"
  [ $? -eq 2 ] || fail "status for --centre-tap '$value'"
  grep -q "refusé : K attendu, le secondaire à point milieu, de 1 à 4 ; rien n'est calculé" \
    "$work/err" || fail "message for --centre-tap '$value': $(cat "$work/err")"
done

[ "$failures" -eq 0 ] && echo "all kelvanor-calc --rectifier checks passed"
exit $((failures > 0))
