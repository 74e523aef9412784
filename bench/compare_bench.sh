#!/usr/bin/env bash
# Compare benchmark: a run of kind 0 (a .diff for every pair) against
# diff -rq on the same two trees.
#
# Builds OLD, a synthetic tree (bench/tree.awk) of FOLDERS folders of which
# DVDS are DVD folders, each holding VIDEO_TS with VIDEO_TS.IFO and, beside
# VIDEO_TS, an info.txt of 20 lines (the file the run's diff sees: it
# compares the two DVD folders themselves). NEW is a copy of OLD in which
# CHANGED DVD folders change (a line appended to info.txt, a byte to the
# .IFO), GONE are deleted and as many are added. Then, on the warm trees,
# RUNS times each (medians of wall and CPU seconds):
#   diff -rq OLD NEW
#   qvrun --kind 0 --diff DIFF --new NEW OLD   (a new empty DIFF each run)
#   the same run on one core (--threads 1)
#   GNU diff on each pair, as many at a time as there are cores (xargs -P),
#   each output into the same layout as the run's .diff files
# The DIFF folders of the runs lie on a journaled ext4 file system of a loop
# device when the script runs as root, else on tmpfs (/dev/shm): ext4
# without a journal (the root disk of some machines) passes over the inodes
# freed lately at every file it makes, which would swamp what is measured.
# The records and the .diff files of a run on one core and of a run on all
# cores must be the same (every field, every byte); otherwise the script
# fails.
#
# --flat measures the flat layout instead: the DVD folders side by side
# directly under the roots (a DVD storage disk), so every pair's files are
# made and removed in one DIFF folder. It is measured at two numbers of
# pairs (1000 and 4000 unless --pairs names others), each on trees of its
# own, and the kind-0 run's wall time at the larger number is given as a
# multiple of the one at the smaller: a folder's cost that grew with the
# folder would make it grow faster than the pairs.
#
# usage: bench/compare_bench.sh [--folders N] [--dvds N] [--runs N] [--build DIR] [--no-targets] [--keep]
#        bench/compare_bench.sh --flat [--pairs N,N] [--runs N] [--build DIR] [--no-targets] [--keep]
#   defaults: 20000 folders, 2000 DVD folders (300 changed, 50 deleted,
#   50 added: the same shares for other sizes), 5 runs, build dir "build".
#   --no-targets prints the ratio without the target it is held to (runs
#   too small or too noisy to be judged); --keep leaves the trees behind.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=20000
dvds=2000
runs=5
build=build
keep=0
targets=1
flat=0
flatpairs="1000,4000"
usage() {
  echo "usage: $0 [--folders N] [--dvds N] [--runs N] [--build DIR] [--no-targets] [--keep]" >&2
  echo "       $0 --flat [--pairs N,N] [--runs N] [--build DIR] [--no-targets] [--keep]" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --folders) folders=$2; shift 2 ;;
    --dvds) dvds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --no-targets) targets=0; shift ;;
    --keep) keep=1; shift ;;
    --flat) flat=1; shift ;;
    --pairs) flatpairs=$2; shift 2 ;;
    *) usage ;;
  esac
done
if [ "$flat" = 1 ] && ! [[ "$flatpairs" =~ ^[1-9][0-9]*,[1-9][0-9]*$ ]]; then usage; fi

qvrun=$build/tools/qvrun/qvrun
if [ ! -x "$qvrun" ]; then
  cmake --build "$build" --target qvrun >/dev/null
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qvcompare.XXXXXX")
outs=""
mounted=0
cleanup() {
  if [ "$mounted" = 1 ]; then umount "$outs" 2>/dev/null || true; fi
  if [ -n "$outs" ] && [ "$outs" != "$tmp/outs" ]; then rm -rf "$outs"; fi
  if [ "$keep" = 0 ]; then rm -rf "$tmp"; else echo "trees kept in $tmp (*/old, */new)"; fi
}
trap cleanup EXIT
# Where the DIFF folders go.
if [ "$(id -u)" = 0 ] && command -v mkfs.ext4 >/dev/null; then
  outs=$tmp/outs
  mkdir -p "$outs"
  truncate -s 4G "$tmp/outs.img"
  if mkfs.ext4 -q -F "$tmp/outs.img" && mount -o loop "$tmp/outs.img" "$outs"; then
    mounted=1
    echo "DIFF folders: journaled ext4 on a loop device ($outs)"
  fi
fi
if [ "$mounted" = 0 ]; then
  outs=$(mktemp -d /dev/shm/qvcompare.XXXXXX)
  echo "DIFF folders: tmpfs ($outs)"
fi
TIMEFORMAT='%R %U %S'
# Medians of wall and CPU seconds of RUNS runs. With a DIFF folder as first
# argument every run writes into a new empty folder of that name and a
# number (the folders of the runs before are removed only at the end: on a
# file system without a journal, ext4 passes over the inodes freed in the
# last 30 seconds whenever it makes a file, which would charge a run for
# the removal of the one before).
measure() {
  local i t diffdir=$1 args
  shift
  : >"$tmp/times"
  for ((i = 0; i < runs; i++)); do
    args=("$@")
    if [ -n "$diffdir" ]; then
      mkdir -p "$diffdir.$i"
      args=("${@/#@DIFF@/$diffdir.$i}")
    fi
    t=$( { time "${args[@]}" >/dev/null 2>&1; } 2>&1 )
    echo "$t" >>"$tmp/times"
  done
  if [ -n "$diffdir" ]; then rm -rf "$diffdir".*; fi
  local m=$(( (runs + 1) / 2 ))
  echo "$(awk '{ print $1 }' "$tmp/times" | sort -g | sed -n "${m}p")" \
       "$(awk '{ printf "%.3f\n", $2 + $3 }' "$tmp/times" | sort -g | sed -n "${m}p")"
}
diffrq() { diff -rq "$old" "$new" || [ $? = 1 ]; }
# GNU diff on each pair into DIFF/<pair>.diff, nproc at a time.
xargsdiff() {
  xargs -0 -P "$(nproc)" -n 16 sh -c 'd=$1; o=$2; n=$3; shift 3
    for r; do mkdir -p "$d/$(dirname "$r")"; diff "$o/$r" "$n/$r" >"$d/$r.diff"; done; exit 0' \
    sh "$1" "$old" "$new" <"$tmp/pairs"
}

status=0
# Builds OLD and NEW in $tmp/$1 (layout $2: nested or flat), checks one core
# against all cores and measures; the figures are left in dq_w ... xa_c and
# pairs. report prints them (with the diff -rq target when $1 is 1).
bench_trees() {
  local at=$tmp/$1 layout=$2
  local changed=$((dvds * 3 / 20)) gone=$((dvds / 40))
  old=$at/old
  new=$at/new
  mkdir -p "$old"
  if [ "$layout" = flat ]; then
    echo "building OLD: $dvds DVD folders side by side"
    # The names of the synthetic tree's folders, all directly under the root.
    awk -v dvds="$dvds" -v root="$old" 'BEGIN {
      srand(12345)
      nw = split("Movies anime Drama Concert 映画 アニメ ドラマ ライブ 記録 Season Disc Vol 特典 Collection 洋画 邦画", w, " ")
      for (i = 0; i < dvds; i++) {
        d = root "/" w[1 + int(rand() * nw)] "_" i
        print d "/VIDEO_TS"; print d "/AUDIO_TS"
      }
    }' | tr '\n' '\0' | xargs -0 mkdir -p
  else
    echo "building OLD: $folders folders, $dvds DVD folders"
    awk -v total="$folders" -v dvds="$dvds" -v root="$old" -f bench/tree.awk | tr '\n' '\0' | xargs -0 mkdir -p
  fi
  find "$old" -type d -name VIDEO_TS -exec sh -c '
    for d; do
      head -c 64 /dev/zero >"$d/VIDEO_TS.IFO"
      for i in $(seq 1 20); do echo "${d%/VIDEO_TS} line $i"; done >"${d%/VIDEO_TS}/info.txt"
    done' sh {} +
  find "$old" -type d -name VIDEO_TS | sed 's|/VIDEO_TS$||' | sort >"$tmp/dvds"
  echo "building NEW: $changed DVD folders changed, $gone deleted, $gone added"
  cp -a "$old" "$new"
  # Every k-th DVD folder changes; every m-th of the others goes, and a new
  # one is added beside it.
  awk -v c="$changed" -v g="$gone" -v n="$(wc -l <"$tmp/dvds")" '
    BEGIN {
      cs = c > 0 ? int(n / c) : 2; if (cs < 2) cs = 2
      gs = g > 0 ? int(n / cs / g) : n + 1; if (gs < 1) gs = 1
    }
    { i = NR - 1 }
    i % cs == 0 && nc < c { print "c" $0; nc++; next }
    i % cs == int(cs / 2) { if (k++ % gs == 0 && ng < g) { print "g" $0; ng++ } }' "$tmp/dvds" >"$tmp/plan"
  while IFS= read -r line; do
    d=$new${line:1+${#old}}
    case "$line" in
      c*) echo "changed" >>"$d/info.txt"; printf 'x' >>"$d/VIDEO_TS/VIDEO_TS.IFO" ;;
      g*) rm -rf "$d"
          mkdir -p "${d}_added/VIDEO_TS" "${d}_added/AUDIO_TS"
          head -c 64 /dev/zero >"${d}_added/VIDEO_TS/VIDEO_TS.IFO"
          for i in $(seq 1 20); do echo "added line $i"; done >"${d}_added/info.txt" ;;
    esac
  done <"$tmp/plan"
  echo "plan: $(grep -c '^c' "$tmp/plan") changed, $(grep -c '^g' "$tmp/plan") deleted and added"

  # Warm both trees.
  diff -rq "$old" "$new" >/dev/null 2>&1 || true
  "$qvrun" --walk-only --new "$new" "$old" >/dev/null 2>&1

  # One core and all cores: the same records, the same .diff files.
  mkdir -p "$outs/d1" "$outs/dn"
  "$qvrun" --threads 1 --kind 0 --diff "$outs/d1" --records --new "$new" "$old" >"$tmp/r1" 2>/dev/null
  "$qvrun" --kind 0 --diff "$outs/dn" --records --new "$new" "$old" >"$tmp/rn" 2>/dev/null
  local agree=0
  if ! cmp -s "$tmp/r1" "$tmp/rn"; then
    echo "compare_bench: the records of one core and of all cores differ" >&2
    agree=1
  fi
  if ! diff -r "$outs/d1" "$outs/dn" >/dev/null; then
    echo "compare_bench: the .diff files of one core and of all cores differ" >&2
    agree=1
  fi
  [ $agree = 0 ] || status=1
  pairs=$(awk -F'\t' '{ split($2, a, " "); if (a[2] == 3) n++ } END { print n + 0 }' "$tmp/r1")
  echo "records: $(wc -l <"$tmp/r1"), pairs: $pairs, .diff files: $(find "$outs/d1" -name '*.diff' | wc -l);" \
    "one core and all cores agree: $([ $agree = 0 ] && echo yes || echo NO)"
  rm -rf "$outs/d1" "$outs/dn"
  # The pairs (DVD folders on both sides), relative to the roots.
  while IFS= read -r d; do
    rel=${d#"$old"/}
    if [ -d "$new/$rel" ]; then printf '%s\0' "$rel"; fi
  done <"$tmp/dvds" >"$tmp/pairs"

  read -r dq_w dq_c < <(measure "" diffrq)
  read -r run_w run_c < <(measure "$outs/dn" "$qvrun" --kind 0 --diff @DIFF@ --new "$new" "$old")
  read -r one_w one_c < <(measure "$outs/d1" "$qvrun" --threads 1 --kind 0 --diff @DIFF@ --new "$new" "$old")
  read -r xa_w xa_c < <(measure "$outs/dx" xargsdiff @DIFF@)
}

report() {
  awk -v qw="$dq_w" -v qc="$dq_c" -v rw="$run_w" -v rc="$run_c" -v ow="$one_w" -v oc="$one_c" \
      -v xw="$xa_w" -v xc="$xa_c" -v dq="$1" \
      -v runs="$runs" -v pairs="$pairs" -v targets="$targets" 'BEGIN {
    printf "medians of %d runs           wall s   cpu s\n", runs
    printf "diff -rq                    %7.3f %7.3f\n", qw, qc
    printf "kind-0 run                  %7.3f %7.3f   %.0f us per pair\n", rw, rc, rw * 1e6 / pairs
    printf "kind-0 run, one core        %7.3f %7.3f\n", ow, oc
    printf "GNU diff per pair, xargs -P %7.3f %7.3f\n", xw, xc
    printf "run wall / diff -rq wall    %7.2f%s\n", rw / qw, targets && dq ? "   (at most 2.0, aim 1.5)" : ""
    printf "run wall / xargs -P wall    %7.2f%s\n", rw / xw, targets ? "   (at most 1.0)" : ""
  }'
}

if [ "$flat" = 0 ]; then
  bench_trees nested nested
  report 1
  exit $status
fi

# The flat layout at two numbers of pairs. Of DVDS folders DVDS/40 go
# (and as many are added), so DVDS is the least number leaving the pairs
# asked for.
dvds_for() {
  local p=$1 d=$1
  while [ $((d - d / 40)) -lt "$p" ]; do d=$((d + 1)); done
  echo "$d"
}
small=${flatpairs%,*}
large=${flatpairs#*,}
for size in "$small" "$large"; do
  dvds=$(dvds_for "$size")
  echo "== flat layout, $size pairs"
  bench_trees "flat$size" flat
  report 0
  eval "w_$size=\$run_w x_$size=\$xa_w"
  if [ "$keep" = 0 ]; then rm -rf "$tmp/flat$size"; fi
done
awk -v s="$small" -v l="$large" -v sw="$(eval echo "\$w_$small")" -v lw="$(eval echo "\$w_$large")" \
    -v sx="$(eval echo "\$x_$small")" -v lx="$(eval echo "\$x_$large")" -v targets="$targets" 'BEGIN {
  printf "== flat layout       kind-0 wall s   xargs -P wall s\n"
  printf "%6d pairs          %10.3f   %10.3f\n", s, sw, sx
  printf "%6d pairs          %10.3f   %10.3f\n", l, lw, lx
  printf "kind-0 wall %d / %d  %10.2f%s\n", l, s, lw / sw, targets ? sprintf("   (at most %.2f)", 4.5 * l / s / 4) : ""
}'
exit $status
