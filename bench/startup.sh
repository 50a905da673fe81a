#!/usr/bin/env bash
# Start-up time of the window: from the start of the process until its window is mapped on the X
# server, for kelvanor and for a bare Qt 6 program that shows one label, run alternately under
# Xvfb. Prints both medians and their ratio; exits 1 when the ratio reaches LIMIT.
#   bench/startup.sh BIN_DIR          (RUNS=31 LIMIT=1.25 by default)
# Needs g++, the Qt 6 and Xlib headers (scripts/install-deps.sh) and xvfb-run.
set -euo pipefail

bin_dir=$(cd "${1:?usage: bench/startup.sh BIN_DIR}" && pwd)
runs=${RUNS:-31}
limit=${LIMIT:-1.25}

# One X server for the whole measurement, so both programs meet the same conditions.
if [ -z "${KELVANOR_STARTUP_UNDER_XVFB:-}" ]; then
  export KELVANOR_STARTUP_UNDER_XVFB=1
  # -noreset: a server that resets when its last client leaves refuses the next one meanwhile.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The bare program: QApplication, one QLabel, show, exec.
cat >"$work/bare.cpp" <<'CPP'
#include <QApplication>
#include <QLabel>
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label("Kelvanor");
  label.show();
  return app.exec();
}
CPP
# shellcheck disable=SC2046
g++ -O2 -fPIC -o "$work/bare" "$work/bare.cpp" $(pkg-config --cflags --libs Qt6Widgets)

# The stopwatch: starts the program, waits for the first top-level window mapped on the root
# window, prints the elapsed microseconds and ends the program.
cat >"$work/mapwait.c" <<'C'
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
static long long Micros(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}
int main(int argc, char** argv) {
  Display* display = XOpenDisplay(NULL);
  if (!display || argc < 2) {
    fprintf(stderr, "mapwait: no X display or no program\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  const long long start = Micros();
  const pid_t child = fork();
  if (child == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify && !event.xmap.override_redirect) break;
  }
  printf("%lld\n", Micros() - start);
  kill(child, SIGKILL);
  waitpid(child, NULL, 0);
  return 0;
}
C
gcc -O2 -o "$work/mapwait" "$work/mapwait.c" -lX11

# kelvanor starts as a user who has chosen the bundled catalogue: no dialog before the window.
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME/kelvanor"
printf '[GLOBAL]\nDataBase=%s/Zivodevu.mdb\n' "$bin_dir" >"$XDG_CONFIG_HOME/kelvanor/kelvanor.ini"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# One run of each first fills the font and library caches; it is not counted.
"$work/mapwait" "$work/bare" >/dev/null
"$work/mapwait" "$bin_dir/kelvanor" >/dev/null
: >"$work/bare.times"
: >"$work/kelvanor.times"
for _ in $(seq "$runs"); do
  "$work/mapwait" "$work/bare" >>"$work/bare.times"
  "$work/mapwait" "$bin_dir/kelvanor" >>"$work/kelvanor.times"
done

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
bare=$(median "$work/bare.times")
kelvanor=$(median "$work/kelvanor.times")
awk -v b="$bare" -v k="$kelvanor" -v n="$runs" -v limit="$limit" 'BEGIN {
  ratio = k / b
  printf "window mapped, median of %d runs: kelvanor %.1f ms, bare Qt label %.1f ms, ratio %.2f\n",
         n, k / 1000, b / 1000, ratio
  if (ratio >= limit) { printf "ratio %.2f is not under %s\n", ratio, limit; exit 1 }
}'
