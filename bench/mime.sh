#!/usr/bin/env bash
# Decoding mail headers: kakikae-cli --convert mime against nkf -m -w over a
# file of ISO-2022-JP encoded header lines. Usage: bench/mime.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mb=${2:-20}
bench_setup "$1" "$mb" mail
table_head "MIME header decoding over ${mb} MB" conversion kakikae-cli 'nkf -m -w (ratio)' ''
compare '`--convert mime`' "$text" "$cli --convert mime" "nkf -m -w"
compare '`--convert mime-broken`' "$text" "$cli --convert mime-broken" "nkf -m -w"
