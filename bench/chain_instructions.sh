#!/usr/bin/env bash
# Instructions a run of the recalculation chain and of its SQLite baseline take on the bundled
# catalogue, counted by callgrind inside kelvanor-bench: a figure that a busy machine does not
# spoil, beside the wall times of the benchmarks.
#   bench/chain_instructions.sh BIN_DIR [OUTPUT_PREFIX]
set -euo pipefail
B=${1:?usage: bench/chain_instructions.sh BIN_DIR [OUTPUT_PREFIX]}; out=${2:-${TMPDIR:-/tmp}/kelvanor-callgrind}
run() { valgrind --tool=callgrind --callgrind-out-file=$out.$1 --toggle-collect="$2" $B/kelvanor-bench --benchmark_filter="$3" --benchmark_min_time=${MIN_TIME:-1} >/dev/null 2>&1; }
count() { # total instructions, calls of the function matching $2
  local total=$(grep "^summary:" $1 | awk '{print $2}')
  local id=$(grep -m1 -E "^c?fn=\([0-9]+\) .*$2" $1 | sed -E 's/^c?fn=\(([0-9]+)\).*/\1/')
  local calls=$(awk -v id="($id)" '$1 ~ /^cfn=/ { hit = index($1, id) > 0; next } hit && /^calls=/ { split($1, a, "="); n += a[2]; hit = 0 } END { print n }' $1)
  echo "$total $calls"
}
run chain 'kel::Chain::ComputeW()' 'BM_ComputeW_Bundled$'
run base '*BaselineOnce*' 'BM_SqliteBaseline_Bundled$'
read ct cn < <(count $out.chain 'kel::Chain::ComputeW\(\)')
read bt bn < <(count $out.base 'BaselineOnce')
awk -v ct=$ct -v cn=$cn -v bt=$bt -v bn=$bn 'BEGIN { printf "chain %.0f instructions a run (%d runs), baseline %.0f (%d runs), ratio %.3f\n", ct/cn, cn, bt/bn, bn, (ct/cn)/(bt/bn) }'
