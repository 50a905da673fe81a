#!/usr/bin/env bash
# Starts the window from a build folder: scripts/run.sh BIN_DIR
# On its first start the program asks for the catalogue ("Database") and proposes the bundled
# Zivodevu.mdb beside it; nothing is prepared here.
set -euo pipefail

bin_dir="${1:?usage: scripts/run.sh BIN_DIR}"
program="$bin_dir/kelvanor"
if [ ! -x "$program" ]; then
  echo "kelvanor is not built in $bin_dir (run: make build)" >&2
  exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
Kelvanor is a desktop program and needs a display, but neither DISPLAY nor WAYLAND_DISPLAY is set.
Run it from a graphical session, or under a virtual X server, for example:
  xvfb-run -a $program
MSG
  exit 1
fi

# A document path given after the folder is handed on.
exec "$program" "${@:2}"
