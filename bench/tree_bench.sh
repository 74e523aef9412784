#!/usr/bin/env bash
# Tree benchmark of the comparison run's folder walk against the tree walkers
# people compare it with.
#
# Builds a synthetic storage tree in a temporary folder (FOLDERS folders,
# DVDS of them DVD folders holding VIDEO_TS and AUDIO_TS, some names in
# Japanese) and times, on the same warm tree, RUNS times each (medians):
#   find ROOT -type d -name VIDEO_TS -prune
#   fdfind -u -t d -g VIDEO_TS --prune ROOT   (Debian package fd-find)
#   the engine's walk alone (qvrun --walk-only)
#   the full list-mode run, records built (qvrun)
#   the same run on one core (taskset -c 0)
#   the plain walk of one folder after the other (qvrun --walk-only
#     --reference, as the program walked before it read folders in
#     parallel), on one core
# and prints wall and CPU times (user + system), the ratios the walk is held
# to (--no-targets: the ratios alone, for runs too small or too noisy to
# hold them to anything), the time per folder and the run's peak memory. The DVD folders of
# find and fd, and the record lists of a one-thread run, an eight-thread
# run and the plain walk must agree (same paths, same order for the last
# three); otherwise the script fails.
#
# usage: bench/tree_bench.sh [--folders N] [--dvds N] [--runs N] [--build DIR] [--no-targets] [--keep | --tree DIR]
#   defaults: 200000 folders, 20000 DVD folders, 5 runs, build dir "build".
#   --keep leaves the tree behind; --tree times a tree kept before.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=200000
dvds=20000
runs=5
build=build
keep=0
tree=
targets=1
while [ $# -gt 0 ]; do
  case "$1" in
    --folders) folders=$2; shift 2 ;;
    --dvds) dvds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --no-targets) targets=0; shift ;;
    --tree) tree=$2; shift 2 ;;
    *) echo "usage: $0 [--folders N] [--dvds N] [--runs N] [--build DIR] [--no-targets] [--keep | --tree DIR]" >&2; exit 2 ;;
  esac
done

# Package step: fd comes from Debian's fd-find.
if ! command -v fdfind >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then
    echo "installing fd-find"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq fd-find >/dev/null
  else
    echo "tree_bench: fdfind is missing; install it as root: apt-get install fd-find" >&2
    exit 1
  fi
fi

qvrun=$build/tools/qvrun/qvrun
if [ ! -x "$qvrun" ]; then
  cmake --build "$build" --target qvrun >/dev/null
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qvbench.XXXXXX")
cleanup() { if [ "$keep" = 0 ]; then rm -rf "$tmp"; else rm -f "$tmp"/one "$tmp"/eight "$tmp"/plain "$tmp"/times; echo "tree kept in $root"; fi; }
trap cleanup EXIT
root=$tmp/storage
if [ -n "$tree" ]; then
  root=$(cd "$tree" && pwd)
else
echo "building a tree of $folders folders, $dvds DVD folders, in $root"
mkdir -p "$root"
awk -v total="$folders" -v dvds="$dvds" -v root="$root" -f bench/tree.awk | tr '\n' '\0' | xargs -0 mkdir -p
find "$root" -type d -name VIDEO_TS -exec sh -c 'for d; do head -c 64 /dev/zero >"$d/VIDEO_TS.IFO"; done' sh {} +
fi
made=$(find "$root" -mindepth 1 -type d ! -name VIDEO_TS ! -name AUDIO_TS | wc -l)
echo "made $made folders besides VIDEO_TS and AUDIO_TS"

# Warm the tree: every walker then reads from the cache.
find "$root" -type d -name VIDEO_TS -prune >/dev/null
"$qvrun" --walk-only "$root" >/dev/null 2>&1

# The same DVD folders for every walker; the same records in the same order
# for the engine with one and with eight threads and for the plain walk.
find_list=$(find "$root" -type d -name VIDEO_TS -prune | sed "s|^$root/||; s|/VIDEO_TS\$||" | sort)
fd_list=$(fdfind -u -t d -g VIDEO_TS --prune "$root" | sed "s|^$root/||; s|/VIDEO_TS/\$||" | sort)
"$qvrun" --threads 1 --list "$root" >"$tmp/one" 2>/dev/null
"$qvrun" --threads 8 --list "$root" >"$tmp/eight" 2>/dev/null
"$qvrun" --walk-only --reference --list "$root" >"$tmp/plain" 2>/dev/null
status=0
if [ "$find_list" != "$fd_list" ] || [ "$find_list" != "$(tr '\\' / <"$tmp/one" | sort)" ]; then
  echo "tree_bench: find, fd and the engine disagree on the DVD folders" >&2
  status=1
fi
if ! cmp -s "$tmp/one" "$tmp/eight" || ! cmp -s "$tmp/one" "$tmp/plain"; then
  echo "tree_bench: the records of one thread, eight threads and the plain walk differ" >&2
  status=1
fi
echo "records: $(wc -l <"$tmp/one") DVD folders; one thread, eight threads and the plain walk agree: $([ $status = 0 ] && echo yes || echo NO)"

# Medians of wall, user and system seconds of RUNS runs of a command.
TIMEFORMAT='%R %U %S'
measure() {
  local i t
  : >"$tmp/times"
  for ((i = 0; i < runs; i++)); do
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" >>"$tmp/times"
  done
  local m=$(( (runs + 1) / 2 ))
  echo "$(awk '{ print $1 }' "$tmp/times" | sort -g | sed -n "${m}p")" \
       "$(awk '{ printf "%.3f\n", $2 + $3 }' "$tmp/times" | sort -g | sed -n "${m}p")"
}

read -r find_w find_c < <(measure find "$root" -type d -name VIDEO_TS -prune)
read -r fd_w fd_c < <(measure fdfind -u -t d -g VIDEO_TS --prune "$root")
read -r walk_w walk_c < <(measure "$qvrun" --walk-only "$root")
read -r run_w run_c < <(measure "$qvrun" "$root")
read -r one_w one_c < <(measure taskset -c 0 "$qvrun" "$root")
read -r plain_w plain_c < <(measure taskset -c 0 "$qvrun" --walk-only --reference "$root")
peak=$("$qvrun" "$root" 2>&1 >/dev/null | sed -n 's/.*peak memory \([0-9.]*\) MB.*/\1/p')
walk_peak=$("$qvrun" --walk-only "$root" 2>&1 >/dev/null | sed -n 's/.*peak memory \([0-9.]*\) MB.*/\1/p')

awk -v fw="$find_w" -v fc="$find_c" -v dw="$fd_w" -v dc="$fd_c" -v ww="$walk_w" -v wc="$walk_c" \
    -v rw="$run_w" -v rc="$run_c" -v ow="$one_w" -v oc="$one_c" -v pw="$plain_w" -v pc="$plain_c" \
    -v n="$made" -v runs="$runs" -v peak="$peak" -v wpeak="$walk_peak" -v targets="$targets" 'BEGIN {
  printf "medians of %d runs           wall s   cpu s\n", runs
  printf "find                        %7.3f %7.3f\n", fw, fc
  printf "fd                          %7.3f %7.3f\n", dw, dc
  printf "engine walk                 %7.3f %7.3f   peak memory %s MB\n", ww, wc, wpeak
  printf "list-mode run               %7.3f %7.3f   %.2f us per folder, peak memory %s MB\n", rw, rc, rw * 1e6 / n, peak
  printf "list-mode run, one core     %7.3f %7.3f\n", ow, oc
  printf "plain walk, one core        %7.3f %7.3f\n", pw, pc
  printf "run wall / fd wall          %7.2f%s\n", rw / dw, targets ? "   (at most 1.0, aim 0.7)" : ""
  printf "run cpu / find cpu          %7.2f%s\n", rc / fc, targets ? "   (at most 1.2)" : ""
  printf "one-core run / plain walk   %7.2f%s\n", ow / pw, targets ? "   (at most 1.0)" : ""
  printf "run wall / walk wall        %7.2f%s\n", rw / ww, targets ? "   (at most 1.15)" : ""
  printf "run memory / walk memory    %7.2f%s\n", peak / wpeak, targets ? "   (at most 1.5)" : ""
}'
exit $status
