#!/usr/bin/env bash
# The real X clipboard: xclip sets it, kakikae reads it at start-up and copies
# back (xdotool clicks), and the text outlives the process that set it.
# xclip -i leaves a background server behind: keep it off our stdout so ctest
# sees the test end.
set -u
gui=$1; cli=$2
if [ -z "${DISPLAY:-}" ] || ! command -v xclip >/dev/null || ! command -v xdotool >/dev/null; then
    # In CI the tools are installed by the bootstrap: their absence is a failure, not a skip.
    if [ -n "${CI:-}" ]; then echo "FAIL no X display or xclip/xdotool in CI"; exit 1; fi
    echo "no X display or xclip/xdotool: skipped"; echo "0 passed, 0 failed"; exit 0
fi
unset QT_QPA_PLATFORM
fail=0; pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }
wait_for() { for _ in $(seq 1 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }
work=$(mktemp -d); trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null' EXIT
export XDG_CONFIG_HOME=$work

# 1. kakikae-cli --clipboard: one-shot; the result survives the cli's exit.
printf 'こんにちは world' | xclip -selection clipboard -i >/dev/null 2>&1
"$cli" --clipboard 's/world/世界/'
check "cli one-shot exit" 0 $?
sleep 0.3
check "cli one-shot text" "こんにちは 世界" "$(xclip -selection clipboard -o)"

# --primary: the text last selected in, the result on the clipboard (select,
# a key, Ctrl+V); the selection itself stays as it was.
printf 'clip' | xclip -selection clipboard -i >/dev/null 2>&1
printf 'selected text' | xclip -selection primary -i >/dev/null 2>&1
"$cli" --primary 's/selected/chosen/'
check "cli --primary exit" 0 $?
sleep 0.3
check "cli --primary result on the clipboard" "chosen text" "$(xclip -selection clipboard -o)"
check "cli --primary leaves the selection" "selected text" "$(xclip -selection primary -o)"

# Keepers of this display (the holders that serve a text after we exit).
keepers() {
    for p in $(pgrep -f -- '--hold-clipboard'); do
        tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && echo $p
    done | wc -l
}
for i in 1 2 3; do printf "run $i" | xclip -selection clipboard -i >/dev/null 2>&1; "$cli" -q --clipboard 's/run/RUN/'; done
sleep 0.5
check "three runs, one keeper" 1 "$(keepers)"
check "the last run's text" "RUN 3" "$(xclip -selection clipboard -o)"
# The small keeper beside the programs, not the command line again.
check "the keeper is the small program" "kakikae-keeper" \
    "$(for p in $(pgrep -f -- '--hold-clipboard'); do tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && basename "$(readlink /proc/$p/exe)"; done | sort -u)"

# Whoever serves the text after we exit keeps nothing of the caller's open:
# a caller reading our output through a pipe (here also as descriptor 3)
# sees its end at once.
printf 'piped' | xclip -selection clipboard -i >/dev/null 2>&1
check "the caller's pipe is let go" "done" "$(timeout 10 bash -c '"$1" -q --clipboard s/piped/PIPED/ 3>&1; echo done' _ "$cli")"
check "piped run's text" "PIPED" "$(xclip -selection clipboard -o)"
# Started with its standard streams closed (as a key daemon may start it),
# the connection takes one of their numbers: the run still leaves its text.
printf 'closed' | xclip -selection clipboard -i >/dev/null 2>&1
"$cli" -q --clipboard s/closed/CLOSED/ <&- >&- 2>&-
check "run with closed streams" "CLOSED" "$(xclip -selection clipboard -o)"
# A keeper whose starter gave up before handing it a text takes nothing.
helpers=$(dirname "$(readlink -f "$cli")")
if [ -x "$helpers/kakikae-keeper" ]; then
    timeout 10 "$helpers/kakikae-keeper" --hold-clipboard < /dev/null
    check "a keeper given nothing ends" 0 $?
    check "and leaves the clipboard" "CLOSED" "$(xclip -selection clipboard -o)"
    # One sent to take over from an owner that took the clipboard at server
    # time 1 ms finds it taken since, and puts no older text back.
    printf 'S\001\000\000\000older' | timeout 10 "$helpers/kakikae-keeper" --hold-clipboard
    check "a late keeper refused" 1 $?
    check "the newer text stays" "CLOSED" "$(xclip -selection clipboard -o)"
fi

# A big text comes in parts (INCR) and is read whole, off the UI thread; an
# old program's Latin-1 STRING is read as such.
yes '日本語のテキスト and ASCII' | head -n 200000 > "$work/big.txt"
xclip -selection clipboard -i < "$work/big.txt" >/dev/null 2>&1
"$cli" -q --clipboard 's/zzzz/y/'
check "big text read whole" "same" "$(xclip -selection clipboard -o | cmp -s - "$work/big.txt" && echo same)"
printf 'caf\xe9' | xclip -selection clipboard -t STRING -i >/dev/null 2>&1
"$cli" -q --clipboard 's/caf/CAF/'
check "Latin-1 STRING" "CAFé" "$(xclip -selection clipboard -o)"

# Bytes both ways: what is no UTF-8 and a 50 MB text come back byte for byte
# from a command that matches nothing (served by the keeper after the exit).
same_bytes() { xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null | cmp -s - "$1" && echo same; }
printf 'ab\xffcd\r\n\xe9t\xe9 \x82\xa0\n' > "$work/bytes"
xclip -selection clipboard -i < "$work/bytes" >/dev/null 2>&1
"$cli" -q --clipboard 's/zzz/y/' 2>/dev/null
check "bytes that are no UTF-8 kept" "same" "$(same_bytes "$work/bytes")"
head -c 50000000 /dev/urandom | od -An -tx1 | head -c 50000000 > "$work/fifty"
xclip -selection clipboard -i < "$work/fifty" >/dev/null 2>&1
"$cli" -q --clipboard 's/zzz/y/'
check "50 MB kept" "same" "$(same_bytes "$work/fifty")"
# What a keeper offers: the exact bytes, STRING only for a Latin-1 text.
printf 'caf\xc3\xa9' | "$cli" -q --clipboard 's/zzz/y/' >/dev/null 2>&1
printf 'caf\xc3\xa9' | xclip -selection clipboard -i >/dev/null 2>&1
"$cli" -q --clipboard 's/zzz/y/'
check "targets" "STRING TARGETS TIMESTAMP UTF8_STRING" "$(xclip -selection clipboard -o -t TARGETS | grep -E '^(STRING|TARGETS|TIMESTAMP|UTF8_STRING)$' | sort | xargs)"
check "STRING as Latin-1" "$(printf 'caf\xe9' | od -An -tx1)" "$(xclip -selection clipboard -o -t STRING | od -An -tx1)"
printf '日本' | xclip -selection clipboard -i >/dev/null 2>&1
"$cli" -q --clipboard 's/zzz/y/'
check "no STRING for Japanese" "0" "$(xclip -selection clipboard -o -t TARGETS | grep -cx STRING)"

# Owners that do not answer: each run ends within its limit, says so, and
# leaves the clipboard to its owner. (python3-xlib plays the owner.)
fake=$(dirname "$0")/x11_fake_owner.py
for mode in silent dies-mid-incr; do
    coproc FAKE { /usr/bin/python3 "$fake" $mode; }
    fakepid=$FAKE_PID
    read -r -t 10 ready <&"${FAKE[0]}"
    check "fake owner $mode ready" "ready" "${ready:-}"
    start=$(date +%s%N)
    LC_ALL=C "$cli" --clipboard --timeout=1 's/a/b/' 2>"$work/err"
    check "$mode owner: exit 1" 1 $?
    check "$mode owner: within the limit" 1 "$(( ($(date +%s%N) - start) / 1000000 < 4000 ))"
    check "$mode owner: says it did not answer" 1 "$(grep -c 'did not answer' "$work/err")"
    kill "$fakepid" 2>/dev/null; wait "$fakepid" 2>/dev/null
done
# The window paints at once with a silent owner, and says it is loading.
coproc FAKE { /usr/bin/python3 "$fake" silent; }
fakepid=$FAKE_PID
read -r -t 10 ready <&"${FAKE[0]}"
start=$(date +%s%N)
"$gui" --new-window &
slow=$!
wait_for 'xdotool search --onlyvisible --name "^kakikae$" >/dev/null 2>&1'
check "window painted before the owner's limit" 1 "$(( ($(date +%s%N) - start) / 1000000 < 3000 ))"
kill "$slow" 2>/dev/null; wait "$slow" 2>/dev/null
kill "$fakepid" 2>/dev/null; wait "$fakepid" 2>/dev/null

# Something that is no text (an image) is left alone: exit 1, nothing copied.
head -c 64 /dev/urandom > "$work/image.png"
xclip -selection clipboard -t image/png -i "$work/image.png" >/dev/null 2>&1
sleep 0.3
"$cli" -q --clipboard 's/a/b/' 2>/dev/null
check "image clipboard refused" 1 $?
check "image clipboard left alone" "image/png" "$(xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -x image/png)"
wait_for '[ "$(keepers)" = 0 ]'
check "a keeper that lost the clipboard ends" 0 "$(keepers)"

# Starts the window; gpid and win name it.
start_window() {
    "$gui" &
    gpid=$!
    wait_for 'xdotool search --name "^kakikae$" >/dev/null 2>&1' || { echo "FAIL window did not open"; exit 1; }
    win=$(xdotool search --name '^kakikae$' | head -1)
    sleep 0.5
}

# 2. The window as a user drives it: start-up text from the clipboard, a
# typed command run with Enter, copy back; the one-shot button with a filter;
# a menu conversion by its access keys; quit, and the text stays.
printf '日本語\nテキスト' | xclip -selection clipboard -i >/dev/null 2>&1
start_window
# No window manager here: click into the command box for the focus, then type
# through XTEST like a keyboard.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove --window "$win" 200 70 click 1
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 20 's/\x{30c6}\x{30ad}\x{30b9}\x{30c8}/TEXT/'
xdotool key Return
sleep 1
[ -n "${KK_SHOT:-}" ] && import -window root "$KK_SHOT"
# The copy-back button "clip boad 転送": right column, second row.
xdotool mousemove --window "$win" $((WIDTH - 40)) 102 click 1
sleep 0.5
check "window copy-back" "$(printf '日本語\nTEXT')" "$(xclip -selection clipboard -o)"

# The one-shot button by its access key, with a filter: load, sort, copy back.
printf 'いろは\nあいう' | xclip -selection clipboard -i >/dev/null 2>&1
xdotool mousemove --window "$win" 200 70 click 1
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 20 'sort'
xdotool key alt+at
wait_for '[ "$(xclip -selection clipboard -o 2>/dev/null)" = "$(printf "あいう\nいろは")" ]'
check "one-shot with a filter" "$(printf 'あいう\nいろは')" "$(xclip -selection clipboard -o)"

# A menu conversion by its access keys: 文字種変換(&C) → the sixth item,
# 大文字に変換, on a text loaded from the clipboard; then copy back.
printf 'abc\ndef' | xclip -selection clipboard -i >/dev/null 2>&1
xdotool mousemove --window "$win" 388 38 click 1   # 現在のclip boad: load it
sleep 0.3
xdotool key alt+c
sleep 0.3
xdotool key Down Down Down Down Down Return
sleep 0.5
xdotool mousemove --window "$win" $((WIDTH - 40)) 102 click 1
sleep 0.5
check "menu conversion by keys" "$(printf 'ABC\nDEF')" "$(xclip -selection clipboard -o)"
# An edit in the box keeps the bytes around it: End, "!" typed, copy back.
xclip -selection clipboard -i < "$work/bytes" >/dev/null 2>&1
xdotool mousemove --window "$win" 388 38 click 1   # 現在のclip boad: load it
sleep 0.5
xdotool mousemove --window "$win" 200 200 click 1
xdotool key ctrl+End
xdotool type '!'
xdotool mousemove --window "$win" $((WIDTH - 40)) 102 click 1
sleep 0.5
{ cat "$work/bytes"; printf '!'; } > "$work/bytes-edited"
check "window copy-back keeps the bytes" "same" "$(same_bytes "$work/bytes-edited")"
kill "$gpid"; wait "$gpid" 2>/dev/null
sleep 0.5
check "and so does the keeper after it" "same" "$(same_bytes "$work/bytes-edited")"

# The window's 選択範囲から読む (remembered in its settings): the start-up text
# and the one-shot read the selection, the result goes to the clipboard.
printf '[General]\nreadPrimary=true\n' > "$work/kakikae/kakikae.conf"
printf 'from the clipboard' | xclip -selection clipboard -i >/dev/null 2>&1
start_window
xdotool mousemove --window "$win" 200 70 click 1
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 20 'sort'
# Selected last, after ctrl+a made the command box's text the selection.
printf 'いろは\nあいう' | xclip -selection primary -i >/dev/null 2>&1
xdotool key alt+at
wait_for '[ "$(xclip -selection clipboard -o 2>/dev/null)" = "$(printf "あいう\nいろは")" ]'
check "window one-shot from the selection" "$(printf 'あいう\nいろは')" "$(xclip -selection clipboard -o)"
kill "$gpid"; wait "$gpid" 2>/dev/null
rm -f "$work/kakikae/kakikae.conf"

# 3. Another program taking the clipboard ends the holder.
printf 'other' | xclip -selection clipboard -i >/dev/null 2>&1
sleep 0.3
check "holder gives way" "other" "$(xclip -selection clipboard -o)"
echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
