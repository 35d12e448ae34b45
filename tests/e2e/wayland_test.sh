#!/usr/bin/env bash
# A real Wayland session: weston with its X11 backend inside a private Xvfb
# gives a seat with keyboard focus; wl-copy / wl-paste are the other program.
# Keys reach the focused Wayland client through weston's X11 window (xdotool).
# The kiosk shell fills the output with the window, so a click in the middle
# lands in its text box: wl-paste takes the focus for a moment each time (it
# has no other way to read the clipboard on weston), and a click gives it back.
set -u
gui=$1; cli=$2
need="Xvfb weston wl-copy wl-paste xdotool"
missing=""; for t in $need; do command -v "$t" >/dev/null || missing="$missing $t"; done
qtwl=$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' 2>/dev/null | head -1)
[ -n "$qtwl" ] || missing="$missing qt6-wayland"
if [ -n "$missing" ]; then
    if [ -n "${CI:-}" ]; then echo "FAIL missing in CI:$missing"; exit 1; fi
    echo "SKIPPED (loudly): missing$missing"; echo "0 passed, 0 failed"; exit 0
fi
fail=0; pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }
# Up to 15 s (or $2 s), however long each try takes (a paste may wait 5 s
# for a slow owner).
wait_for() { local end=$((SECONDS + ${2:-15})); while [ $SECONDS -lt $end ]; do eval "$1" && return 0; sleep 0.1; done; return 1; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
    pkill -P $$ 2>/dev/null
    [ -n "${gpid:-}" ] && kill "$gpid" 2>/dev/null
    pkill -f "wl-copy" -U "$(id -u)" --env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" 2>/dev/null
    for p in $(pgrep -x wl-copy); do
        tr '\0' '\n' 2>/dev/null < /proc/$p/environ | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && kill $p
    done
    [ -n "${wpid:-}" ] && kill "$wpid" 2>/dev/null
    [ -n "${xpid:-}" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb on a free display, weston inside it.
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 >/dev/null 2>&1 &
xpid=$!
wait_for '[ -s "$work/displayfd" ]' || { echo "FAIL Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/displayfd")
weston --backend=x11-backend.so --shell=kiosk-shell.so --socket=kk-test --idle-time=0 --width=1200 --height=760 >"$work/weston.log" 2>&1 &
wpid=$!
export WAYLAND_DISPLAY=kk-test
wait_for '[ -S "$XDG_RUNTIME_DIR/kk-test" ]' || { echo "FAIL weston did not start"; cat "$work/weston.log"; exit 1; }
sleep 1

# Our processes serving this session's clipboard.
servers() {
    for p in $(pgrep -x wl-copy) $(pgrep -f -- '--hold-clipboard'); do
        tr '\0' '\n' 2>/dev/null < /proc/$p/environ | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && echo "$p"
    done | wc -l
}
paste() { timeout 5 wl-paste --no-newline 2>/dev/null; }

# 1. kakikae-cli --clipboard: through wl-paste / wl-copy; the text outlives it.
printf 'hi' | wl-copy
"$cli" -q --clipboard 's/h/H/'
check "cli exit" 0 $?
check "cli text" "Hi" "$(paste)"
for i in 1 2 3; do printf "run $i" | wl-copy; "$cli" -q --clipboard 's/run/RUN/'; done
sleep 0.5
check "three runs, one server" 1 "$(servers)"
check "the last run's text" "RUN 3" "$(paste)"
# Keepers of this session only: a window of another test may have left one
# serving the suite's own X display.
keepers() {
    for p in $(pgrep -f -- '--hold-clipboard'); do
        tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && echo $p
    done | wc -l
}
check "no X11 keeper" 0 "$(keepers)"
head -c 64 /dev/urandom > "$work/image.png"
wl-copy --type image/png < "$work/image.png"
"$cli" -q --clipboard 's/a/b/' 2>/dev/null
check "image refused" 1 $?
check "image left alone" "image/png" "$(timeout 5 wl-paste --list-types | grep -x image/png)"
wl-copy --clear
"$cli" -q --clipboard 's/a/b/' 2>/dev/null
check "empty clipboard refused" 1 $?
WAYLAND_DISPLAY=nowhere DISPLAY= "$cli" -q --clipboard 's/a/b/' 2>/dev/null
check "no session: 1" 1 $?

# --primary. Weston has no primary selection: the run fails with wl-paste's
# own reason and the clipboard stays as it was.
printf 'clip' | wl-copy
LC_ALL=C "$cli" --primary 's/a/b/' 2>"$work/err"
check "no primary: exit 1" 1 $?
check "no primary: wl-paste's reason said" 1 "$(grep -c "support primary selection" "$work/err")"
check "no primary: clipboard as it was" "clip" "$(paste)"
# Where the compositor has one (a wl-paste that serves it from a file here):
# the selection in, the result on the clipboard.
mkdir -p "$work/pri"
printf 'selected text' > "$work/pri/selection"
cat > "$work/pri/wl-paste" <<TOOL
#!/bin/sh
case " \$* " in
*" --primary --list-types "*) echo text/plain ;;
*" --primary "*) cat "$work/pri/selection" ;;
*) exec /usr/bin/wl-paste "\$@" ;;
esac
TOOL
chmod +x "$work/pri/wl-paste"
PATH="$work/pri:$PATH" "$cli" --primary 's/selected/chosen/'
check "--primary exit" 0 $?
check "--primary result on the clipboard" "chosen text" "$(paste)"

# A source that never sends (a stopped wl-copy): the run gives up within its
# limit, says so, and leaves the clipboard as it was.
printf 'stuck' | wl-copy
sleep 0.3
stopped=""
for p in $(pgrep -x wl-copy); do
    tr '\0' '\n' 2>/dev/null < /proc/$p/environ | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && stopped="$stopped $p"
done
kill -STOP $stopped
start=$(date +%s%N)
LC_ALL=C "$cli" --clipboard --timeout=1 's/s/S/' 2>"$work/err"
check "stopped source: exit 1" 1 $?
check "stopped source: within the limit" 1 "$(( ($(date +%s%N) - start) / 1000000 < 5000 ))"
check "stopped source: says it did not answer" 1 "$(grep -c 'did not answer' "$work/err")"
kill -CONT $stopped
check "stopped source: clipboard as it was" "stuck" "$(paste)"
# 2. The window: it loads the clipboard once it has the focus, runs, copies back.
# Under the sanitizers its leak check is off: Qt's Wayland graphics plugin
# leaks from a library unloaded at exit, which no suppression can name.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
printf '日本語 wayland' | wl-copy
QT_QPA_PLATFORM=wayland "$gui" >"$work/gui.log" 2>&1 &
gpid=$!
sleep 2
type_keys() { xdotool mousemove 600 400 click 1; sleep 0.3; xdotool key --delay 30 "$@"; }
# Keys through weston's X11 window are now and then lost (seen about once in
# twenty runs: the window idle, the keys never came). A step whose effect does
# not show is sent once more, and that is said; twice lost fails its check.
step() {  # $1: what shows it is done; the rest: the keys, a function
    local done=$1; shift
    "$@"
    wait_for "$done" 8 && return 0
    echo "note: $1: no effect; sent once more"
    xdotool keyup ctrl alt shift; "$@"
    wait_for "$done"
}
# The command line has the focus: a run with Enter, then Tab Tab Tab to the
# copy-back button.
run_and_copy() {
    type_keys ctrl+l ctrl+a; xdotool type --delay 30 "$1"; xdotool key Return; sleep 0.5
    xdotool key --delay 30 Tab Tab Tab space
}
one_shot() { type_keys ctrl+l ctrl+a; xdotool type --delay 30 "$1"; xdotool key alt+at; }
step '[ "$(paste)" = "日本語 WL" ]' run_and_copy 's/wayland/WL/'
check "start-up load, run, copy back" "日本語 WL" "$(paste)"
step '[ "$(paste)" = "日本語 wl" ]' one_shot 's/WL/wl/'
check "one-shot" "日本語 wl" "$(paste)"
[ -n "${KK_SHOT:-}" ] && import -window root "$KK_SHOT"

# 3. A second start: the running window takes it and loads the clipboard.
printf 'second' | wl-copy
sleep 0.5
QT_QPA_PLATFORM=wayland timeout 10 "$gui"
check "second start ends at once" 0 $?
# Windows of this session only: other tests may run a window on X meanwhile.
windows() {
    for p in $(pgrep -f -x "$gui"); do
        tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "WAYLAND_DISPLAY=$WAYLAND_DISPLAY" && echo $p
    done | wc -l
}
check "one window" 1 "$(windows)"
QT_QPA_PLATFORM=wayland "$gui" --new-window >/dev/null 2>&1 &
npid=$!
sleep 1.5
check "--new-window opens a second one" 1 "$(kill -0 $npid 2>/dev/null && echo 1)"
kill $npid 2>/dev/null; wait $npid 2>/dev/null
step '[ "$(paste)" = "2nd" ]' run_and_copy 's/second/2nd/'
check "second start reloads the clipboard" "2nd" "$(paste)"

# 4. Quit: the copied text stays, served by one wl-copy; nothing else is left.
# The keys lost twice here too (the window idle, its text box focused): then
# it is asked to end as the desktop's log-out does, the same way out; what
# this step checks is the text outliving the window.
step '! kill -0 $gpid 2>/dev/null' type_keys ctrl+q ||
    { echo "note: quit by signal"; kill -TERM $gpid; wait_for '! kill -0 $gpid 2>/dev/null'; }
# Still there after that: it is stopped, and the check below fails.
kill -0 $gpid 2>/dev/null && kill -9 $gpid
wait $gpid 2>/dev/null
status=$?
check "window ended, exit status" 0 "$status"
[ "$status" = 0 ] || tail -20 "$work/gui.log"
gpid=
check "text after quit" "2nd" "$(paste)"
# wl-copy puts itself in the background once it holds the selection: its
# first process may be on its way out and the server just starting. Weston
# keeps a copy of a text selection itself; when its copy and wl-copy's cross
# at our exit, weston's wins and wl-copy leaves: the text stays either way,
# and what must never happen is a second server left behind.
wait_for '[ "$(servers)" = 1 ]'
check "at most one server after quit" 1 "$( [ "$(servers)" -le 1 ] && echo 1)"

echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
