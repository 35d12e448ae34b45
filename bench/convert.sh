#!/usr/bin/env bash
# kakikae-cli's built-in conversions against ICU's uconv and coreutils over a
# kana-heavy text. Usage: bench/convert.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$(cd "$1" && pwd)/bin/kakikae-cli
mb=${2:-100}
. "$here/lib.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
text=$work/kana.txt
"$here/make-text" "$mb" kana > "$text"
export LC_ALL=C.UTF-8
echo "### conversions over ${mb} MB of kana-heavy text ($(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"
echo
echo "| conversion | kakikae-cli | reference (ratio) | |"
echo "|---|---|---|---|"
compare '`--convert hankaku-to-zenkaku`' "$text" "$cli --convert hankaku-to-zenkaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Halfwidth-Fullwidth;'"
compare '`--convert zenkaku-to-hankaku`' "$text" "$cli --convert zenkaku-to-hankaku" "uconv -x '::[[:Katakana:][:Lm:]]; ::Fullwidth-Halfwidth;'"
compare '`--convert reverse`' "$text" "$cli --convert reverse" "rev"
compare '`--convert dedupe`' "$text" "$cli --convert dedupe" "uniq"
compare '`--convert extract-duplicates`' "$text" "$cli --convert extract-duplicates" "uniq -d"
compare '`--count`' "$text" "$cli --count" "wc -m"
echo
echo "Peak memory (MB) for the ${mb} MB text: hankaku-to-zenkaku $(peak_mb "$text" "$cli --convert hankaku-to-zenkaku"), reverse $(peak_mb "$text" "$cli --convert reverse"), dedupe $(peak_mb "$text" "$cli --convert dedupe")"
