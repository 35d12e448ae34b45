#!/usr/bin/env bash
# A five-step recipe against the same five kakikae-cli runs piped one into
# the next. Usage: bench/recipe.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-100}
bench_setup "$1" "$mb"
recipes=$work/recipes.txt
cat > "$recipes" <<'RECIPES'
[five]
- s/ +$//g
- --convert to-half-width
- tr/ァ-ン/ぁ-ん/
- -v m/^$/
- --convert dedupe
RECIPES
pipe="($cli 's/ +\$//g' | $cli --convert to-half-width | $cli 'tr/ァ-ン/ぁ-ん/' | $cli --invert 'm/^\$/' | $cli --convert dedupe)"
# The two give the same bytes; a benchmark of different work would say nothing.
cmp <(sh -c "$cli --recipe-file $recipes --recipe five" < "$text") <(sh -c "$pipe" < "$text")
table_head "a five-step recipe over ${mb} MB" work 'kakikae-cli --recipe' 'five runs piped (ratio)' ''
compare 'recipe `five`' "$text" "$cli --recipe-file $recipes --recipe five" "$pipe"
echo
echo "Peak memory (MB): the recipe $(peak_mb "$text" "$cli --recipe-file $recipes --recipe five"), one step alone (to-half-width) $(peak_mb "$text" "$cli --convert to-half-width")"
