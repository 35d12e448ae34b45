#!/usr/bin/env bash
# kakikae-cli's built-in conversions against ICU's uconv and coreutils over a
# kana-heavy text. Usage: bench/convert.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-100}
bench_setup "$1" "$mb" kana
table_head "conversions over ${mb} MB of kana-heavy text" conversion kakikae-cli 'reference (ratio)' ''
compare '`--convert hankaku-to-zenkaku`' "$text" "$cli --convert hankaku-to-zenkaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Halfwidth-Fullwidth;'"
compare '`--convert zenkaku-to-hankaku`' "$text" "$cli --convert zenkaku-to-hankaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Fullwidth-Halfwidth;'"
compare '`--convert reverse`' "$text" "$cli --convert reverse" "rev"
compare '`--convert dedupe`' "$text" "$cli --convert dedupe" "uniq"
compare '`--convert extract-duplicates`' "$text" "$cli --convert extract-duplicates" "uniq -d"
compare '`--count`' "$text" "$cli --count" "wc -m"
echo
echo "Peak memory (MB) for the ${mb} MB text: hankaku-to-zenkaku $(peak_mb "$text" "$cli --convert hankaku-to-zenkaku"), reverse $(peak_mb "$text" "$cli --convert reverse"), dedupe $(peak_mb "$text" "$cli --convert dedupe")"

# Numerals and era dates: a text with a date and two numerals on every line,
# against sed rewriting the same places without any calendar or number
# arithmetic (the cost of finding them alone).
dated=$work/dated.txt
awk 'BEGIN { srand(7) } { printf "%s 会議は%d年%d月%d日、費用は二千%s百円と%d円\n", $0, 1990 + int(rand() * 36), 1 + int(rand() * 12), 1 + int(rand() * 28), substr("一二三四五六七八九", 1 + int(rand() * 9), 1), int(rand() * 100000) }' "$text" > "$dated"
echo
table_head "numerals and era dates over $(($(stat -c %s "$dated") >> 20)) MB (the text above with a date and two numerals a line)" conversion kakikae-cli 'sed -E, places only (ratio)' ''
compare '`--convert to-japanese-era`' "$dated" "$cli --convert to-japanese-era" "sed -E 's/([0-9]{4})年([0-9]{1,2})月([0-9]{1,2})日/R\\1年\\2月\\3日/g'"
compare '`--convert kanji-to-digits`' "$dated" "$cli --convert kanji-to-digits" "sed -E 's/二千([一二三四五六七八九])百/2\\100/g'"
compare '`--convert digits-to-kanji`' "$dated" "$cli --convert digits-to-kanji" "sed -E 's/([0-9]+)円/X円/g'"
