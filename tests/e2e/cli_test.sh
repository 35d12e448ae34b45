#!/usr/bin/env bash
# kakikae-cli as a user calls it: stdin → stdout, exit statuses.
set -u
cli=$1
fail=0; pass=0
check() {  # name expected actual
    if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi
}
status() { "$@" >/dev/null 2>&1; echo $?; }

check "-e replace"       "bar bar"          "$(printf 'foo foo' | "$cli" -e 's/foo/bar/g')"
check "-e repeats"       "c"                "$(printf 'a' | "$cli" -e 's/a/b/' -e 's/b/c/')"
check "-e tr"            "ヒラガナ"          "$(printf 'ひらがな' | "$cli" -e 'tr/ぁ-ん/ァ-ン/')"
check "-e m invert"      "$(printf 'b\n')"  "$(printf 'a\nb\n' | "$cli" -e 'm/a/' --invert)"
check "line ends kept"   "x^|y" "$(printf 'a\r\nb' | "$cli" -e 's/a/x/' -e 's/b/y/' | tr '\n\r' '|^')"
check "window rule"      "$(printf '> a\n> b')" "$(printf 'a\nb' | "$cli" 's/^/> /g')"
check "filter"           "$(printf 'a\nb\n')" "$(printf 'b\na' | "$cli" 'sort')"
check "count"            "3文字，2行，5バイト" "$(printf 'abc\n' | "$cli" --count)"
check "convert"          "ガ"               "$(printf 'ｶﾞ' | "$cli" --convert hankaku-to-zenkaku)"
# Line ends made visible: $(...) would drop the final ones.
ends() { "$@" | tr '\n\r' '|^'; }
for conv in dedupe extract-duplicates; do
    want=$([ $conv = dedupe ] && echo 'a|b|x|' || echo 'a|b|')
    check "$conv LF"   "$want" "$(printf 'a\na\nb\nb\nx\n' | ends "$cli" --convert $conv)"
    want=$([ $conv = dedupe ] && echo 'a^|b^|x^|' || echo 'a^|b^|')
    check "$conv CRLF" "$want" "$(printf 'a\r\na\r\nb\r\nb\r\nx\r\n' | ends "$cli" --convert $conv)"
done
check "dedupe tail"      "a|"               "$(printf 'a\na' | ends "$cli" --convert dedupe)"
check "mime"             "件名日本"         "$(printf '=?ISO-2022-JP?B?GyRCN29MPhsoQg==?= =?utf-8?b?5pel5pys?=' | "$cli" --convert mime)"
check "mime-broken"      "テスト"            "$(printf '$B%%F%%9%%H(B' | "$cli" --convert mime-broken)"
check "menu conversion"  "ABC"              "$(printf 'abc' | "$cli" --convert upper)"
check "by its label"     "ABC"              "$(printf 'abc' | "$cli" --convert 大文字に変換)"
check "sortf filter"     "1|2|10|"         "$(printf '10\n2\n1' | ends "$cli" --convert sort-numeric)"
check "list"             "0"                "$(status "$cli" --list-conversions)"
check "reverse"          "cba|ed"           "$(printf 'abc\nde' | ends "$cli" --convert reverse)"
check "exit bad pattern" "1" "$(printf 'x' | status "$cli" -e 's/(/x/')"
check "exit refused"     "1" "$(printf 'x' | status "$cli" 's///gk')"
check "exit bad filter"  "1" "$(printf 'x' | status "$cli" 'no-such-command-kk')"
check "exit no usage"    "2" "$(status "$cli")"
check "exit unknown opt" "2" "$(status "$cli" --bogus)"
check "exit unknown conversion" "2" "$(printf 'x' | status "$cli" --convert nope)"
check "help"             "0" "$(status "$cli" --help)"
# Ended by a signal while its filter runs: the private folder with the user's
# text and the filter's processes go too.
for sig in TERM HUP INT; do
    run=$(mktemp -d)
    printf 'secret text' | XDG_RUNTIME_DIR=$run "$cli" "sleep 37.$RANDOM; cat" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do [ -n "$(ls "$run")" ] && break; sleep 0.1; done
    sleep 0.3
    kill -$sig $pid; wait $pid 2>/dev/null
    sleep 0.2
    check "SIG$sig removes the folder" "" "$(ls "$run")"
    check "SIG$sig stops the filter" "0" "$(pgrep -f "sleep 37\\." | wc -l)"
    rm -rf "$run"
done

# Killed outright, it cannot clean up: the next run sweeps the folder.
run=$(mktemp -d)
printf 'secret text' | XDG_RUNTIME_DIR=$run "$cli" "sleep 39.$RANDOM; cat" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 50); do [ -n "$(ls "$run")" ] && break; sleep 0.1; done
kill -KILL $pid; wait $pid 2>/dev/null; pkill -f "sleep 39\\."
check "SIGKILL leaves the folder" "1" "$(ls "$run" | wc -l)"
printf 'x' | XDG_RUNTIME_DIR=$run "$cli" -q cat >/dev/null
check "the next run sweeps it" "" "$(ls "$run")"
rm -rf "$run"

echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
