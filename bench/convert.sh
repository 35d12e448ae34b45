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
