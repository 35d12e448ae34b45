#!/usr/bin/env bash
# Near the floor: kakikae-cli against what the machine allows (a plain C
# literal replace) and the fastest tool for each job, in one hyperfine run
# per row. Usage: bench/floor.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-100}
bench_setup "$1" "$mb"
cc -O2 -o "$work/floor-replace" "$here/floor-replace.c"
noat=$work/noat.txt; sed 's/@/ /g' "$text" > "$noat"
kana=$work/kana.txt; "$here/make-text" "$mb" kana > "$kana"
small=$work/small.txt; head -c $((20 * 1024 * 1024)) "$text" | sed '$d' > "$small"
crlf=$work/crlf.txt; sed 's/$/\r/' "$text" > "$crlf"
q() { printf "'%s'" "$1"; }
table_head "near the floor, ${mb} MB" work kakikae-cli 'reference (ratio)' 'second reference (ratio)'
compare '`s/foo/bar/g` / floor-replace, perl' "$text" "$cli -e 's/foo/bar/g'" "$work/floor-replace foo bar" "perl -pe 's/foo/bar/g'"
compare '`s/(\w+)@(\w+)/$2 at $1/g` / perl' "$text" "$cli -e $(q 's/(\w+)@(\w+)/$2 at $1/g')" "perl -CSD -Mutf8 -pe $(q 's/(\w+)@(\w+)/$2 at $1/g')"
compare 'the same over a text without "@" / perl' "$noat" "$cli -e $(q 's/(\w+)@(\w+)/$2 at $1/g')" "perl -CSD -Mutf8 -pe $(q 's/(\w+)@(\w+)/$2 at $1/g')"
compare '`m/カ/` / grep' "$text" "$cli -e 'm/カ/'" "grep 'カ'"
compare '`m/東京.*世界/` / grep' "$text" "$cli -e 'm/東京.*世界/'" "grep '東京.*世界'"
compare '`s/^ぅ/X/g` (line-anchored) / sed' "$text" "$cli 's/^ぅ/X/g'" "sed 's/^ぅ/X/'"
compare '`s/^東京/X/g` (line-anchored) / sed' "$text" "$cli 's/^東京/X/g'" "sed 's/^東京/X/'"
compare '`s/^東京/X/g` over CR LF lines / sed' "$crlf" "$cli 's/^東京/X/g'" "sed 's/^東京/X/'"
compare '`m/京$/` over CR LF lines / grep' "$crlf" "$cli -e 'm/京$/'" "grep '京.\$'"
compare '`--count` / wc -m' "$text" "$cli --count" "wc -m"
compare '`--convert hankaku-to-zenkaku` / uconv' "$kana" "$cli --convert hankaku-to-zenkaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Halfwidth-Fullwidth;'"
compare '`--convert zenkaku-to-hankaku` / uconv' "$kana" "$cli --convert zenkaku-to-hankaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Fullwidth-Halfwidth;'"
compare '`--convert hiragana-to-katakana` / uconv' "$kana" "$cli --convert hiragana-to-katakana" "uconv -x 'Hiragana-Katakana'"
compare '`sort`, 20 MB / bare sort' "$small" "$cli sort" "sort"
# The desktop rows need an X server and xclip (Xvfb when there is none).
if command -v xclip >/dev/null && { [ -n "${DISPLAY:-}" ] || command -v xvfb-run >/dev/null; }; then
    "$here/desktop.sh" "$1" "$mb"
fi
mbytes=$(($(stat -c %s "$text") / 1048576))
# The text in memory once: peak resident size over the text's size.
peak_ratio() { awk -v p="$(peak_mb "$text" "$1")" -v t="$mbytes" 'BEGIN { printf "%.0f MB (%.2f×)", p, p / t }'; }
echo "| peak resident, \`s/foo/bar/g\` / the text's size | $(peak_ratio "$cli -e 's/foo/bar/g'") | ${mbytes} MB | |"
echo
echo "Peak memory (MB) for the ${mbytes} MB text: s///g $(peak_mb "$text" "$cli -e 's/東京/大阪/g'"), s/foo/bar/g $(peak_mb "$text" "$cli -e 's/foo/bar/g'"), tr $(peak_mb "$text" "$cli -e 'tr/ぁ-ん/ァ-ン/'"), m// $(peak_mb "$text" "$cli -e 'm/東京.*世界/'")"
