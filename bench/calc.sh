#!/usr/bin/env bash
# kelvanor-calc on a document beside a bare sqlite3 process running the same queries on the
# bundled catalogue (the check of the catalogue, the automatic choice, the core list), each run
# from process start to exit, taken alternately. Prints both medians and their ratio; exits 1
# when the ratio reaches LIMIT.
#   bench/calc.sh BIN_DIR          (RUNS=200 LIMIT=1.5 by default)
# Needs gcc and the sqlite3 program.
set -euo pipefail

bin_dir=$(cd "${1:?usage: bench/calc.sh BIN_DIR}" && pwd)
runs=${RUNS:-200}
limit=${LIMIT:-1.5}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The stopwatch: runs both commands alternately, output to /dev/null, and prints the medians.
cat >"$work/alternate.c" <<'C'
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
static long long Micros(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}
static long long Run(char** argv) {
  const long long start = Micros();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    fprintf(stderr, "alternate: %s failed\n", argv[0]);
    exit(2);
  }
  return Micros() - start;
}
static int Compare(const void* a, const void* b) {
  const long long x = *(const long long*)a, y = *(const long long*)b;
  return x < y ? -1 : x > y;
}
int main(int argc, char** argv) {
  const int runs = atoi(argv[1]);
  char** first = argv + 2;
  char** second = first;
  while (strcmp(*second, "--") != 0) ++second;
  *second++ = NULL;
  long long* a = malloc(sizeof *a * runs);
  long long* b = malloc(sizeof *b * runs);
  Run(first);  /* the first run of each fills the caches; not counted */
  Run(second);
  for (int i = 0; i < runs; ++i) {
    a[i] = Run(first);
    b[i] = Run(second);
  }
  qsort(a, runs, sizeof *a, Compare);
  qsort(b, runs, sizeof *b, Compare);
  printf("%lld %lld\n", a[runs / 2], b[runs / 2]);
  return 0;
}
C
gcc -O2 -o "$work/alternate" "$work/alternate.c"

printf '[SPECIFS]\nFreq=50\nTesla=1.2\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=2\n' >"$work/design.kel"
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
queries="Select Ref, SectionFer, MasseFer, hautcu, LargCu, longspire from EI;
Select * from EI Where SectionFer >= 2.5 Order by Massefer;"
read -r calc bare < <("$work/alternate" "$runs" "$bin_dir/kelvanor-calc" "$work/design.kel" -- \
  "$(command -v sqlite3)" -readonly "$bin_dir/Zivodevu.mdb" "$queries")
awk -v c="$calc" -v b="$bare" -v n="$runs" -v limit="$limit" 'BEGIN {
  ratio = c / b
  printf "process start to exit, median of %d runs: kelvanor-calc %.2f ms, bare sqlite3 %.2f ms, ratio %.2f\n",
         n, c / 1000, b / 1000, ratio
  if (ratio >= limit) { printf "ratio %.2f is not under %s\n", ratio, limit; exit 1 }
}'
