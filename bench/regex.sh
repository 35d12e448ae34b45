#!/usr/bin/env bash
# kakikae-cli -e against perl (and sed -E where it applies) over a 100 MB
# mixed Japanese/ASCII text. Usage: bench/regex.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-100}
bench_setup "$1" "$mb"
table_head "regex commands over ${mb} MB" command kakikae-cli 'perl -CSD (ratio)' 'sed -E / grep (ratio)'
q() { printf "'%s'" "$1"; }
row() {  # LABEL CMD PERL_PROGRAM [SED_OR_GREP]
    local refs=("$cli -e $(q "$2")" "perl -CSD -Mutf8 $3")
    [ -n "${4:-}" ] && refs+=("$4")
    compare "\`$1\`" "$text" "${refs[@]}"
}
row 's/東京/大阪/g'                    's/東京/大阪/g'               "-pe $(q 's/東京/大阪/g')"               "sed -E $(q 's/東京/大阪/g')"
row 's/(\w+)@(\w+)/$2 at $1/g'        's/(\w+)@(\w+)/$2 at $1/g'   "-pe $(q 's/(\w+)@(\w+)/$2 at $1/g')"   "sed -E $(q 's/([[:alnum:]_]+)@([[:alnum:]_]+)/\2 at \1/g')"
row 's/hello/HI/gi'                    's/hello/HI/gi'               "-pe $(q 's/hello/HI/gi')"               "sed -E $(q 's/hello/HI/gI')"
row 'tr/ぁ-ん/ァ-ン/'                  'tr/ぁ-ん/ァ-ン/'             "-pe $(q 'tr/ぁ-ん/ァ-ン/')"
row 'm/東京.*世界/'                    'm/東京.*世界/'               "-ne $(q 'print if m/東京.*世界/')"      "grep -E $(q '東京.*世界')"
echo
echo "Peak memory (MB) for the ${mb} MB text: s///g $(peak_mb "$text" "$cli -e 's/東京/大阪/g'"), tr $(peak_mb "$text" "$cli -e 'tr/ぁ-ん/ァ-ン/'"), m// $(peak_mb "$text" "$cli -e 'm/東京.*世界/'")"
