#!/usr/bin/env bash
# Times the program's start-up: whole processes from their start to a shown
# main frame with an idle event loop, on the program folder of the build.
# Prints each run and the median (milliseconds). Runs under Xvfb when there
# is no display, so the real window system's start is counted.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${RUNS:-9}"
cmake --build build --target qvstartup Quarvex >/dev/null
exe="$(pwd)/build/bench/qvstartup"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program folder as a fresh installation has it (the build's holds the
# settings a person made there).
mkdir -p "$work/program/SendTo"
cp src/res/Quarvex.ini "$work/program/Quarvex.ini"
cp "$exe" "$work/program/Quarvex"
export XDG_CONFIG_HOME="$work/config"
run() {
  if [ -n "${DISPLAY:-}" ]; then "$work/program/Quarvex"; else
    xvfb-run -a -s "-screen 0 1280x1024x24" "$work/program/Quarvex"; fi
}
# One run to warm the caches.
run >/dev/null 2>&1 || true
times=()
for i in $(seq "$runs"); do
  t=$(run 2>/dev/null | tail -1)
  times+=("$t")
  echo "run $i: $t ms"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "median: %.1f ms\n", a[int((NR+1)/2)]}'
