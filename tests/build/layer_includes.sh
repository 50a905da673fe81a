#!/bin/bash
# Every include of the program's own headers, and of Qt's, checked against the layers of
# docs/ARCHITECTURE.md: a file includes from its own layer and those below it, and only ui/ sees
# Qt. The libraries' include paths already refuse an upward include when a source is compiled;
# this holds every file alike (a header no source includes yet, the programs' mains, ui/, which
# sees the whole tree) and names the rule each include breaks.
# Usage: layer_includes.sh SOURCE_FOLDER (src/, or a tree laid out like it)
set -u
src=${1:?source folder}

# What each layer may include, itself included; kelvanor/ is util's generated version header.
declare -A allowed=(
  [util]="util kelvanor"
  [catalogue]="util kelvanor catalogue"
  [design]="util kelvanor catalogue design"
  [check]="util kelvanor catalogue design check"
  [documents]="util kelvanor catalogue design check documents"
  [report]="util kelvanor catalogue design check documents report"
  [app]="util kelvanor catalogue design check documents report app"
  [cli]="util kelvanor catalogue design check documents cli"
  [catalogue_main]="util kelvanor catalogue cli"
  [calc_main]="util kelvanor catalogue design check documents report app cli"
  [ui]="util kelvanor catalogue design check documents report app cli ui"
)

own='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)"'
qt='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Q[^>]*)>'
broken=0 read=0
while IFS= read -r found; do
  read=$((read + 1))
  file=${found%%:*}
  line=${found#*:}
  relative=${file#"$src"/}
  layer=${relative%%/*}
  # The command line's programs stand above the library beside them: each over what it links.
  case $relative in
    cli/catalogue_main.cpp) rule=catalogue_main ;;
    cli/calc_main.cpp) rule=calc_main ;;
    *) rule=$layer ;;
  esac
  if [[ -z ${allowed[$rule]+set} ]]; then
    echo "$relative: in no layer"
    broken=$((broken + 1))
  elif [[ $line =~ $own ]]; then
    header=${BASH_REMATCH[1]}
    if [[ $header != */* ]]; then
      echo "$relative: \"$header\" names no layer"
      broken=$((broken + 1))
    elif [[ " ${allowed[$rule]} " != *" ${header%%/*} "* ]]; then
      echo "$relative: \"$header\" lies above $layer/"
      broken=$((broken + 1))
    fi
  elif [[ $line =~ $qt && $layer != ui ]]; then
    echo "$relative: <${BASH_REMATCH[1]}> is Qt, outside ui/"
    broken=$((broken + 1))
  fi
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) -print0 |
           LC_ALL=C sort -z | xargs -0 grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]')

# A wrong folder must not pass for a clean tree.
[[ $read -gt 0 ]] || { echo "no include found under $src"; exit 1; }
echo "$broken includes out of their layer"
[[ $broken -eq 0 ]]
