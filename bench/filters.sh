#!/usr/bin/env bash
# What the run command adds around a filter or a regex command, from the
# command line and in the window, over a 20 MB text.
# Usage: bench/filters.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-20}
bench_setup "$1" "$mb"
table_head "the run command over ${mb} MB" command kakikae-cli 'bare tool (ratio)' ''
compare '`sort` (filter)' "$text" "$cli sort" "sort"
compare '`sort \| uniq -c` (filter)' "$text" "$cli 'sort | uniq -c'" "sh -c 'sort | uniq -c'"
compare '`s/a/b/g` (regex)' "$text" "$cli 's/a/b/g'" "perl -pe 's/a/b/g'"
echo
if [ -x "$bin/kk_gui_bench" ]; then
    echo "In the window (offscreen), from pressing run to the result in the text box, median of 5:"
    echo
    for c in 's/a/b/g' 'sort'; do
        cli_s=$( { /usr/bin/time -f %e "$cli" "$c" < "$text" > /dev/null; } 2>&1 | tail -1)
        gui=$(QT_QPA_PLATFORM=offscreen "$bin/kk_gui_bench" "$text" "$c" 5 2>/dev/null)
        gui_ms=$(echo "$gui" | sed -n 's/^run-to-shown \([0-9]*\) ms.*/\1/p')
        load_ms=$(echo "$gui" | sed -n 's/^load-and-show \([0-9]*\) ms.*/\1/p')
        awk -v c="$c" -v g="$gui_ms" -v s="$cli_s" -v l="$load_ms" 'BEGIN {
            printf "- `%s`: window %d ms, kakikae-cli %d ms (%.2f×); model load + first paint %d ms\n", c, g, s * 1000, g / (s * 1000), l }'
    done
fi
