#!/usr/bin/env bash
# The house plan's check stops a configure that breaks it: the plan as it
# stands configures; a plan without one of the links a target makes, without
# a target, or without a shared header each stop it with a message naming
# what broke. Usage: dependencies_test.sh SOURCE_DIR
set -u
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0 pass=0
plan=$src/cmake/dependencies.txt
configure() {  # $1: the plan file; prints the configure's messages
  rm -rf "$work/build"
  cmake -S "$src" -B "$work/build" -DKAKIKAE_DEPENDENCIES_FILE="$1" -DKAKIKAE_BENCH=OFF 2>&1
}
expect() {  # $1: what; $2: the edit (sed) of the plan; $3: the message expected, empty for success
  sed "$2" "$plan" > "$work/plan.txt"
  local out; out=$(configure "$work/plan.txt"); local rc=$?
  if [ -z "$3" ]; then
    [ $rc -eq 0 ] && pass=$((pass+1)) || { fail=$((fail+1)); printf 'FAIL %s\n%s\n' "$1" "$(grep -A3 'CMake Error' <<<"$out")"; }
  else
    local said; said=$(grep -A3 'CMake Error' <<<"$out" | tr -s ' \n' ' ')
    if [ $rc -ne 0 ] && grep -qF "$3" <<<"$said"; then pass=$((pass+1)); else
      fail=$((fail+1)); printf 'FAIL %s\n  expected: %s\n  got: %s\n' "$1" "$3" "$said"; fi
  fi
}
expect "the plan as it stands" "" ""
expect "a link the plan lacks" 's/^kk_convert: kk_regex /kk_convert: /' "kk_convert links kk_regex"
expect "a target the plan lacks" '/^kk_layout:/d' "target kk_layout in window/ is not in"
expect "an include the plan lacks" '/^header: platform\/ports.h/d' "includes platform/ports.h"
echo "dependency checks: $pass passed, $fail failed"
[ $fail -eq 0 ]
