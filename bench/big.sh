#!/usr/bin/env bash
# A big working text through every menu conversion and a regex run: time,
# peak memory against the text's size, and in the window the longest pause
# of the event loop while a run goes on. Usage: bench/big.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-200}
bench_setup "$1" "$mb" kana
out=$work/out.txt
size=$(stat -c %s "$text")
echo "### a ${mb} MB kana-heavy text through everything ($(date -u +%F), $(nproc) cores)"
echo
echo "| operation | time | peak memory | ÷ text |"
echo "|---|---|---|---|"
row() {  # LABEL ARGS...
    local label=$1; shift
    local r; r=$( { /usr/bin/time -f '%e %M' "$cli" "$@" < "$text" > "$out"; } 2>&1 | tail -1) || { echo "| $label | failed | | |"; return; }
    awk -v l="$label" -v r="$r" -v s="$size" 'BEGIN { split(r, a, " "); printf "| %s | %.2f s | %.0f MB | %.1f× |\n", l, a[1], a[2] / 1024, a[2] * 1024 / s }'
}
for name in $("$cli" --list-conversions | awk 'NF == 2 && $1 !~ /:$/ {print $1}') dedupe extract-duplicates; do
    row "\`--convert $name\`" --convert "$name"
done
row '`-e s/テキスト/TEXT/g`' -e 's/テキスト/TEXT/g'
row '`s/^/> /` (line by line)' 's/^/> /'
row '`--count`' --count
echo
if [ -x "$bin/kk_gui_bench" ]; then
    echo "In the window (offscreen), \`s/ｶﾞ/ガ/g\` over the ${mb} MB text:"
    echo
    QT_QPA_PLATFORM=offscreen "$bin/kk_gui_bench" "$text" 's/ｶﾞ/ガ/g' 1 2>/dev/null | sed 's/^/- /'
fi
