#!/usr/bin/env bash
# An earlier build against this one, row by row in the same hyperfine run, so
# a regression shows whatever the VM's speed that day.
# Usage: bench/versus.sh OLD_BIN_DIR NEW_BIN_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
old=$(cd "$1" && pwd)/kakikae-cli
bench_setup "$(dirname "$2")" "${3:-100}"
kana=$work/kana.txt
"$here/make-text" "${3:-100}" kana > "$kana"
table_head "this build against an earlier one, ${3:-100} MB" command 'this build' 'earlier build (ratio)' ''
row() {  # LABEL INPUT ARGS
    compare "\`$1\`" "$2" "$cli -q $3" "$old $3"
}
row 's/東京/大阪/g' "$text" "-e 's/東京/大阪/g'"
row 's/(\w+)@(\w+)/$2 at $1/g' "$text" "-e 's/(\w+)@(\w+)/\$2 at \$1/g'"
row 's/hello/HI/gi' "$text" "-e 's/hello/HI/gi'"
row 'tr/ぁ-ん/ァ-ン/' "$text" "-e 'tr/ぁ-ん/ァ-ン/'"
row 'm/東京.*世界/' "$text" "-e 'm/東京.*世界/'"
row 'm/カ/' "$text" "-e 'm/カ/'"
row 's/^東京/X/g (line-anchored)' "$text" "'s/^東京/X/g'"
for c in hankaku-to-zenkaku zenkaku-to-hankaku reverse dedupe extract-duplicates; do
    row "--convert $c" "$kana" "--convert $c"
done
row '--count' "$kana" "--count"
