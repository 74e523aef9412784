#!/usr/bin/env bash
# scripts/run on a fresh clone: it makes sure of the packages the program
# needs (xdg-utils among them), builds only the program and its folder, and
# starts the program with the arguments it was given, on the display or
# under Xvfb. The script runs in a scratch copy with cmake, dpkg-query and
# xvfb-run replaced by recorders; what the targets it names would build is
# asked of the real build folder's ninja.
#
#   run_script_test.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail
src=$1 build=$2 work=$3

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/clone/scripts" "$work/bin" "$work/clone/build/program"
cp "$src/scripts/run" "$src/scripts/deps.sh" "$work/clone/scripts/"

cat >"$work/bin/dpkg-query" <<EOF
#!/bin/sh
for a in "\$@"; do :; done
echo "\$a" >>'$work/dpkg.log'
printf 'install ok installed'
EOF
cat >"$work/bin/cmake" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>'$work/cmake.log'
EOF
# xvfb-run -a -s SCREEN PROGRAM ARGS...: runs the program.
cat >"$work/bin/xvfb-run" <<EOF
#!/bin/sh
echo xvfb >>'$work/started.log'
shift 3
exec "\$@"
EOF
cat >"$work/clone/build/program/Quarvex" <<EOF
#!/bin/sh
for a in "\$@"; do printf '[%s]' "\$a"; done >>'$work/started.log'
echo >>'$work/started.log'
EOF
chmod +x "$work/bin/"* "$work/clone/build/program/Quarvex"

run() { PATH="$work/bin:$PATH" "$@" "$work/clone/scripts/run" one "two words" >/dev/null; }
run env -u DISPLAY
run env DISPLAY=:99

grep -qx xdg-utils "$work/dpkg.log" || fail "scripts/run does not make sure of xdg-utils (xdg-open)"

[ "$(cat "$work/started.log")" = "$(printf 'xvfb\n[one][two words]\n[one][two words]')" ] ||
  fail "the program was not started as expected:
$(cat "$work/started.log")"

builds=$(grep -- '--build' "$work/cmake.log" | head -1)
[ -n "$builds" ] || fail "scripts/run builds nothing"
case " $builds " in
  *" --target "*) ;;
  *) fail "scripts/run builds every target: $builds" ;;
esac
# The words after --target up to the next option.
targets=()
after=no
for word in $builds; do
  case "$word" in
    --target) after=yes ;;
    -*) after=no ;;
    *) [ $after = yes ] && targets+=("$word") ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || fail "no target after --target: $builds"

# What those targets build, from nothing, in a real build folder.
if [ ! -f "$build/build.ninja" ]; then
  echo "the build folder is not a Ninja one: the targets' contents are not checked"
  exit 0
fi
commands=$(ninja -C "$build" -t commands "${targets[@]}") || fail "ninja does not know the targets ${targets[*]}"
grep -q -- ' -o program/Quarvex' <<<"$commands" || fail "the targets ${targets[*]} do not link the program"
grep -q 'QuarvexProgramFolder.cmake' <<<"$commands" || fail "the targets ${targets[*]} do not lay out the program folder"
if grep -E -- ' -o (tests|bench|tools|fuzz)/' <<<"$commands" | head -3 | grep .; then
  fail "the targets ${targets[*]} build tests, benchmarks or tools"
fi
echo "scripts/run builds ${targets[*]} and starts the program"
