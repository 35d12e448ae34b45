#!/usr/bin/env bash
# Two local users: a victim who runs kakikae with HOME or XDG_RUNTIME_DIR
# unset, and another user who prepared the shared temporary folder first —
# a planted config folder, symlinks where list files and the pid file would
# go, a fake one-window socket answering "ok". Nothing of the victim's may be
# written or read through them, and the window must still open.
# Needs root to make the two users; skipped loudly elsewhere, a failure in CI.
# Usage: two_users_test.sh KAKIKAE KAKIKAE-CLI
set -u
gui=$1 cli=$2
if [ "$(id -u)" -ne 0 ] || ! command -v useradd >/dev/null || ! command -v Xvfb >/dev/null; then
  if [ -n "${CI:-}" ]; then echo "FAIL the two-user test needs root, useradd and Xvfb in CI"; exit 1; fi
  echo "SKIPPED: the two-user test needs root (it makes two users); run it in CI or as root"
  exit 77
fi
fail=0 pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }

victim=kakikae-victim other=kakikae-other
for u in $victim $other; do id $u >/dev/null 2>&1 || useradd --create-home --shell /bin/bash $u; done
vhome=$(getent passwd $victim | cut -d: -f6)
vuid=$(id -u $victim)
as() { local u=$1; shift; runuser -u "$u" -- env -i PATH="$PATH" TMPDIR="$shared" LANG=C.UTF-8 "$@"; }

# The shared temporary folder of this test, sticky and world-writable as /tmp is.
shared=$(mktemp -d) bin=$(mktemp -d)
chmod 1777 "$shared"; chmod 755 "$bin"
cp "$gui" "$cli" "$bin/"
chmod -R a+rX "$bin"
gui=$bin/$(basename "$gui") cli=$bin/$(basename "$cli")
cleanup() {
  pkill -u $victim 2>/dev/null; pkill -u $other 2>/dev/null
  rm -rf "$shared" "$bin" "$vhome/.config/kakikae" "$vhome/.bashrc.before"
}
trap cleanup EXIT
rm -rf "$vhome/.config/kakikae"
echo "# the victim's own" | as $victim tee "$vhome/.bashrc" >/dev/null
echo "secret history" | as $victim tee "$vhome/secret" >/dev/null
before=$(sha256sum "$vhome/.bashrc" "$vhome/secret")

# S1: the other user made the folder a HOME-less run once used, with the
# list files linked to the victim's files and favourites of its own.
as $other sh -c "mkdir -p '$shared/kakikae' && chmod 777 '$shared/kakikae' &&
  ln -s '$vhome/.bashrc' '$shared/kakikae/kakikae1.ini' &&
  ln -s '$vhome/secret' '$shared/kakikae/kakikae0.ini' &&
  printf 's/planted/x/\n' > '$shared/kakikae/kakikae-recipes.txt'"
as $victim env XDG_RUNTIME_DIR= "$cli" --record-history 's/a/b/' >/dev/null 2>&1 <<<"a"
check "S1 history run exit" 0 $?
check "S1 the victim's own history" "s/a/b/" "$(tail -n 1 "$vhome/.config/kakikae/kakikae1.ini" 2>/dev/null | tr -d '\r')"
check "S1 the victim's files untouched" "$before" "$(sha256sum "$vhome/.bashrc" "$vhome/secret")"
check "S1 config folder 0700" "700" "$(stat -c %a "$vhome/.config/kakikae")"
check "S1 history 0600" "600" "$(stat -c %a "$vhome/.config/kakikae/kakikae1.ini")"
check "S1 nothing read from the planted folder" "" "$(as $victim "$cli" --list-recipes 2>/dev/null | grep planted)"
# A symlink in the victim's own config folder (placed there by the victim or
# an older tool) is refused, not followed.
as $victim ln -sf "$vhome/secret" "$vhome/.config/kakikae/kakikae1.ini"
as $victim "$cli" --record-history 's/c/d/' <<<"c" >/dev/null 2>"$shared/s1.err"
check "S1 a symlinked list file is refused" 1 $([ -s "$shared/s1.err" ] && echo 1 || echo 0)
check "S1 ... and not followed" "$before" "$(sha256sum "$vhome/.bashrc" "$vhome/secret")"

# S2 and S3 need a display of the victim's.
# The server picks a free display and says which (no race with another
# server starting); -noreset keeps it from resetting between our clients.
xdir=$(as $victim mktemp -d)
as $victim sh -c "Xvfb -displayfd 3 -noreset -nolisten tcp 3>'$xdir/display' >/dev/null 2>&1 &"
for _ in $(seq 150); do [ -s "$xdir/display" ] && break; sleep 0.2; done
n=$(head -1 "$xdir/display")
for _ in $(seq 150); do as $victim env DISPLAY=:$n xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
window_opens() {  # $1: what to call it; the rest: the environment of the run
  local what=$1; shift
  local shown=0 try
  for try in 1 2; do
    as $victim env DISPLAY=:$n QT_QPA_PLATFORM=xcb HOME="$vhome" "$@" "$gui" >"$shared/window.log" 2>&1 &
    local wpid=$!
    for _ in $(seq 300); do
      as $victim env DISPLAY=:$n xdotool search --name '^kakikae$' >/dev/null 2>&1 && { shown=1; break; }
      kill -0 $wpid 2>/dev/null || break
      sleep 0.1
    done
    # A display the window could not reach is the machine's fault, not the
    # window's: said, and tried once more.
    [ $shown = 1 ] || [ $try = 2 ] || ! grep -q "could not connect to display" "$shared/window.log" && break
    echo "note: $what: display :$n unreachable once; trying again"
    sleep 1
  done
  check "$what: the window opens" 1 $shown
  [ $shown = 1 ] || sed 's/^/  window: /' "$shared/window.log"
  as $victim env DISPLAY=:$n xdotool search --name '^kakikae$' windowclose >/dev/null 2>&1
  pkill -u $victim -f "$gui\$" 2>/dev/null; sleep 0.5
  pkill -u $victim -f -- '--hold-clipboard' 2>/dev/null
}

# S2: no XDG_RUNTIME_DIR; the other user made the victim's runtime folder
# under the shared folder and linked the pid file to the victim's file.
as $other sh -c "mkdir -m 777 '$shared/kakikae-$vuid' &&
  ln -s '$vhome/secret' '$shared/kakikae-$vuid/kakikae-keeper-$vuid-_$n.pid'"
window_opens "S2 planted runtime folder" XDG_RUNTIME_DIR=
check "S2 the victim's files untouched" "$before" "$(sha256sum "$vhome/.bashrc" "$vhome/secret")"
# The same with the runtime folder a symlink to the other user's folder.
as $other sh -c "rm -rf '$shared/kakikae-$vuid' && mkdir -m 777 '$shared/elsewhere' &&
  ln -s '$shared/elsewhere' '$shared/kakikae-$vuid'"
window_opens "S2 symlinked runtime folder" XDG_RUNTIME_DIR=
check "S2 nothing written in the other user's folder" "" "$(ls -A "$shared/elsewhere")"

# S3: the other user binds the name the one-window socket once had and
# answers "ok" to anyone; the victim's window still opens.
as $other python3 -c "
import os, socket
s = socket.socket(socket.AF_UNIX)
s.bind('$shared/kakikae-$vuid-_$n'); os.chmod('$shared/kakikae-$vuid-_$n', 0o777); s.listen(5)
while True:
    c, _ = s.accept(); c.recv(100); c.sendall(b'ok\n'); c.close()
" &
disown
sleep 0.5
window_opens "S3 a fake socket (no runtime folder)" XDG_RUNTIME_DIR=
as $victim sh -c "mkdir -p -m 700 '$xdir/run'"
window_opens "S3 a fake socket (runtime folder set)" XDG_RUNTIME_DIR="$xdir/run"
check "S3 the victim's files untouched" "$before" "$(sha256sum "$vhome/.bashrc" "$vhome/secret")"

echo "two-user tests: $pass passed, $fail failed"
[ $fail -eq 0 ]

