#!/usr/bin/env bash
# The window with a real screen reader: Orca, headless, on a session and
# accessibility bus of its own, speech sent to libao's null driver and read
# back from Orca's debug log. Driven by the keyboard only: a run, a failed
# run, a copy-back, a menu conversion and the count are each spoken, and
# Orca's status-bar command reads the status line.
# Usage: dbus-run-session -- orca_test.sh KAKIKAE   (on an X display)
set -u
gui=$1
fail=0; pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }
if [ -z "${DISPLAY:-}" ] || ! command -v orca >/dev/null || ! command -v xdotool >/dev/null; then
    if [ -n "${CI:-}" ]; then echo "FAIL no X display, orca or xdotool in CI"; exit 1; fi
    echo "no X display, orca or xdotool: skipped"; echo "0 passed, 0 failed"; exit 0
fi
unset QT_QPA_PLATFORM
work=$(mktemp -d)
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 GTK_MODULES=gail:atk-bridge NO_AT_BRIDGE=0
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_RUNTIME_DIR" "$work/prefs"
chmod 700 "$XDG_RUNTIME_DIR"
# Speech goes nowhere: libao's null driver is the sound device.
{ cat /etc/speech-dispatcher/speechd.conf; echo 'AudioOutputMethod "libao"'; } > "$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf"
echo "default_driver=null" > "$HOME/.libao"
# No braille display to wait for; the desktop layout (Insert is the Orca key).
cat > "$work/prefs/user-settings.conf" <<'EOF'
{
    "general": {"enableBraille": false, "enableBrailleMonitor": false, "enableSpeech": true,
                "keyboardLayout": 1, "orcaModifierKeys": ["Insert", "KP_Insert"]},
    "profiles": {"default": {"profile": ["Default", "default"]}},
    "keybindings": {}, "pronunciations": {}
}
EOF
# Everything this test started, and only that: what runs with its runtime
# folder (the window's keeper, the speech server, xclip).
cleanup() {
    kill "$orca" "$window" 2>/dev/null
    for p in $(pgrep -f "kakikae|speech|sd_|xclip|orca"); do
        tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && kill "$p" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

printf 'one\ntwo\n' | xclip -selection clipboard -i >/dev/null 2>&1
"$gui" --new-window >/dev/null 2>&1 &
window=$!
sleep 2
orca --replace -u "$work/prefs" --debug-file="$work/orca.log" >/dev/null 2>&1 &
orca=$!
sleep 8
# Keys a little apart: under a sanitizer the window takes its time, and a key
# that comes while a menu opens can go to the wrong one.
keys() { xdotool key --delay 250 "$@"; sleep 2; }
xdotool search --onlyvisible --name '^kakikae$' windowfocus --sync >/dev/null 2>&1
sleep 1

keys ctrl+l ctrl+a; xdotool type --delay 40 's/o/0/g'; keys Return            # a run
keys ctrl+l ctrl+a; xdotool type --delay 40 'exit 3'; keys Return             # a failed run
keys Insert+KP_Enter Insert+KP_Enter                                           # the status bar
keys ctrl+l Tab Tab Tab Return                                                 # clip boad 転送, by Tab
keys alt+c Down Down Down Down Down Return                                     # 大文字に変換
keys alt+d Left Return                                                         # 文字カウント, left of 重複行(d)
keys ctrl+l                                                                     # out of the menu bar
keys Insert+KP_Enter Insert+KP_Enter                                           # the status bar again
# Orca writes its log in blocks: a few more keys push out what it said last.
for _ in 1 2 3 4; do keys shift; done

kill -TERM "$orca"
for _ in $(seq 1 25); do kill -0 "$orca" 2>/dev/null || break; sleep 0.2; done
spoken=$(grep -o "SPEECH OUTPUT: '[^']*'" "$work/orca.log" | sed "s/^SPEECH OUTPUT: '//; s/'\$//")
# What was said, in order: each outcome where it came.
said_in_order() {
    local rest=$spoken
    for want in "$@"; do
        local at; at=$(printf '%s\n' "$rest" | grep -n -m1 -F -- "$want" | cut -d: -f1)
        [ -n "$at" ] || { echo "missing: $want"; return; }
        rest=$(printf '%s\n' "$rest" | tail -n +$((at + 1)))
    done
    echo ok
}
check "a run is said"                 ok "$(said_in_order 'return' '変換終了')"
check "a failed run is said"          ok "$(said_in_order 'exit 3' 'エラー: ')"
check "the status bar after a failure" ok "$(said_in_order 'エラー: ' 'statusbar' '終了コード 3')"
check "a copy-back is said"           ok "$(said_in_order 'statusbar' 'clip boad 転送' '現在のクリップボード内容')"
check "a menu conversion is said"     ok "$(said_in_order '現在のクリップボード内容' 'return' '変換終了')"
check "the count is said"             ok "$(said_in_order '変換終了' '文字カウント' '行，' 'statusbar' 'バイト')"
check "the status bar reads the count" ok "$(said_in_order '文字カウント' 'statusbar' 'バイト')"
check "never done after a failure"    "" "$(printf '%s\n' "$spoken" | grep -A3 -F 'エラー: ' | grep -F '変換終了')"
[ $fail -eq 0 ] || printf '%s\n' "$spoken" | tail -60
echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
