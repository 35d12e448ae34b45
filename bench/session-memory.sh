#!/usr/bin/env bash
# The window over a long session: a big clipboard loaded again and run again,
# RUNS times, and what the process holds at the end against the text's size.
# The clipboard is held by xclip on an Xvfb display, as another program holds
# it on a desktop, so the figure is the window's own.
# Usage: bench/session-memory.sh BUILD_DIR [MEGABYTES] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-100}
runs=${3:-25}
bench_setup "$1" "$mb"
size=$(stat -c %s "$text")
display=:$((80 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xclip -selection clipboard -i < "$text"
echo "### The window after $runs runs over $mb MB, the clipboard held by xclip ($(date -u +%F), $(nproc) cores)"
echo
"$bin/kk_gui_bench" - 's/東京/大阪/g' "$runs" 2>/dev/null | tee "$work/out" | sed 's/^/- /'
awk -v s="$size" '/^resident after [0-9]+ runs/ { printf "- resident ÷ text: %.2f×\n", $(NF-1) * 1024 / s }' "$work/out"
