#!/usr/bin/env bash
# Tree benchmark of the comparison run's folder walk.
#
# Builds a synthetic storage tree in a temporary folder (FOLDERS folders,
# DVDS of them DVD folders holding VIDEO_TS and AUDIO_TS, some names in
# Japanese) and times, on the same warm tree,
#   1. a list-mode run of the engine (tools/qvrun: walk, records, counting),
#   2. the walk alone (qvrun --walk-only),
#   3. find ROOT -type d -name VIDEO_TS -prune,
# printing each time and the ratios to find. Both walkers must agree on the
# number of DVD folders.
#
# usage: bench/tree_bench.sh [--folders N] [--dvds N] [--build DIR] [--keep]
#   defaults: 200000 folders, 20000 DVD folders, build dir "build".
set -euo pipefail
cd "$(dirname "$0")/.."

folders=200000
dvds=20000
build=build
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --folders) folders=$2; shift 2 ;;
    --dvds) dvds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--folders N] [--dvds N] [--build DIR] [--keep]" >&2; exit 2 ;;
  esac
done

qvrun=$build/tools/qvrun/qvrun
if [ ! -x "$qvrun" ]; then
  cmake --build "$build" --target qvrun >/dev/null
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qvbench.XXXXXX")
cleanup() { if [ "$keep" = 0 ]; then rm -rf "$tmp"; else echo "tree kept in $tmp"; fi; }
trap cleanup EXIT
root=$tmp/storage

echo "building a tree of $folders folders, $dvds DVD folders, in $root"
mkdir -p "$root"
# Breadth-first: every ordinary folder gets a few children until the total
# is reached (6-14 on the upper levels, 2-10 below). DVD folders are picked
# among the leaves, so that they lie at several depths and nothing is made
# below them but VIDEO_TS and AUDIO_TS.
awk -v total="$folders" -v dvds="$dvds" -v root="$root" 'BEGIN {
  srand(12345)
  nw = split("Movies anime Drama Concert 映画 アニメ ドラマ ライブ 記録 Season Disc Vol 特典 Collection 洋画 邦画", w, " ")
  n = 0; head = 0; qn = 1; q[0] = root; qd[0] = 0
  while (n < total && head < qn) {
    parent = q[head]; depth = qd[head]; head++
    fan = depth < 3 ? 6 + int(rand() * 9) : 2 + int(rand() * 9)
    for (i = 0; i < fan && n < total; i++) {
      path = parent "/" w[1 + int(rand() * nw)] "_" i
      made[n++] = path; q[qn] = path; qd[qn++] = depth + 1; haschild[parent] = 1
    }
  }
  nl = 0
  for (i = 0; i < n; i++) if (!(made[i] in haschild)) leaf[nl++] = made[i]
  # Every k-th leaf becomes a DVD folder, spread over the whole tree.
  step = nl > dvds ? nl / dvds : 1
  for (i = 0; i < n; i++) print made[i]
  for (j = 0; j < dvds && int(j * step) < nl; j++) {
    print leaf[int(j * step)] "/VIDEO_TS"
    print leaf[int(j * step)] "/AUDIO_TS"
  }
}' | tr '\n' '\0' | xargs -0 mkdir -p
find "$root" -type d -name VIDEO_TS -exec sh -c 'for d; do head -c 64 /dev/zero >"$d/VIDEO_TS.IFO"; done' sh {} +
echo "made $(find "$root" -mindepth 1 -type d ! -name VIDEO_TS ! -name AUDIO_TS | wc -l) folders besides VIDEO_TS and AUDIO_TS"

# Warm the tree: both walkers then read from the cache.
find "$root" -type d -name VIDEO_TS -prune >/dev/null
"$qvrun" --walk-only "$root" >/dev/null 2>&1

now() { date +%s.%N; }

t0=$(now)
find_count=$(find "$root" -type d -name VIDEO_TS -prune | wc -l)
t1=$(now)
walk_count=$("$qvrun" --walk-only --list "$root" 2>/dev/null | wc -l)
t2=$(now)
run_count=$("$qvrun" --list "$root" 2>/dev/null | wc -l)
t3=$(now)

awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v t3="$t3" \
    -v fc="$find_count" -v wc="$walk_count" -v rc="$run_count" 'BEGIN {
  f = t1 - t0; w = t2 - t1; r = t3 - t2
  printf "find -type d -name VIDEO_TS -prune : %8.3f s  (%d DVD folders)\n", f, fc
  printf "engine walk (qvrun --walk-only)    : %8.3f s  (%d DVD folders)  ratio %.2f\n", w, wc, w / f
  printf "engine list-mode run (qvrun)       : %8.3f s  (%d records)      ratio %.2f\n", r, rc, r / f
}'
if [ "$find_count" != "$walk_count" ] || [ "$find_count" != "$run_count" ]; then
  echo "tree_bench: the walkers disagree on the number of DVD folders" >&2
  exit 1
fi
