#!/usr/bin/env bash
# Our sortf against GNU sort on 1,000,000 lines: Japanese dictionary order
# against sort in the ja_JP.UTF-8 locale (made here with localedef when it
# is missing and we may; else C.UTF-8), numeric against sort -n.
# Usage: bench/sortf.sh BUILD_DIR [LINES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
lines=${2:-1000000}
bench_setup "$1" 1
perl -CS -Mutf8 -e '
    srand 7; my @w = qw(かな カナ ｶﾅ 漢字 ひらがな テキスト 東京 大阪 abc Abc 123 データ でーた);
    for (1 .. $ARGV[0]) { print int(rand 100000) - 50000, " ", join(" ", map { $w[rand @w] } 1 .. 3), "\n" }' "$lines" > "$text"
locale=C.UTF-8
if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then locale=ja_JP.UTF-8
elif [ "$(id -u)" -eq 0 ] && command -v localedef >/dev/null && localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null; then locale=ja_JP.UTF-8
fi
table_head "sortf over $lines lines" command sortf "GNU sort (ratio)" ''
compare "\`sortf -J -b -s\` / LC_ALL=$locale \`sort -s\`" "$text" "$bin/sortf -J -b -s" "env LC_ALL=$locale sort -s"
compare '`sortf -n -s` / `sort -n -s`' "$text" "$bin/sortf -n -s" "sort -n -s"
