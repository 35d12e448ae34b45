#!/usr/bin/env bash
# kakikae-cli as a user calls it: stdin → stdout, exit statuses.
set -u
cli=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
fail=0; pass=0
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
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
check "count"            "3文字，2行，5バイト" "$(printf 'abc\n' | LC_ALL=ja_JP.UTF-8 "$cli" --count)"
check "count in English" "characters: 3, lines: 2, bytes: 5 (Shift_JIS, a line end as CR LF)" "$(printf 'abc\n' | LC_ALL=C "$cli" --count)"
check "convert"          "ガ"               "$(printf 'ｶﾞ' | "$cli" --convert hankaku-to-zenkaku)"
# Line ends made visible: $(...) would drop the final ones.
ends() { "$@" | tr '\n\r' '|^'; }
for conv in dedupe extract-duplicates; do
    want=$([ $conv = dedupe ] && echo 'a|b|x|' || echo 'a|b|')
    check "$conv LF"   "$want" "$(printf 'a\na\nb\nb\nx\n' | ends "$cli" --convert $conv)"
    want=$([ $conv = dedupe ] && echo 'a^|b^|x^|' || echo 'a^|b^|')
    check "$conv CRLF" "$want" "$(printf 'a\r\na\r\nb\r\nb\r\nx\r\n' | ends "$cli" --convert $conv)"
done
# Numerals and era dates, by name and alias.
while IFS=';' read -r name input want; do
    check "--convert $name" "$want" "$(printf '%s' "$input" | "$cli" --convert "$name")"
done <<'TABLE'
kanji-to-digits;二千二十六年に一つ;2026年に一つ
kanji-to-digits-grouped;一億二千三百万円;123,000,000円
kansuji;二〇二六年;2026年
digits-to-kanji;2026年とv1.2.3;二千二十六年とv1.2.3
digits-to-kanji-digitwise;2026年;二〇二六年
daiji;12345円;壱萬弐千参百四拾伍円
to-japanese-era;2026年12月8日;令和8年12月8日
wareki;2019/5/1;R1/5/1
to-gregorian;令和元年;2019年
seireki;H31.4.30;2019.4.30
alnum-to-halfwidth;ＡＢ１２　ガ！;AB12　ガ！
unify-dashes;ラ—メン A–1;ラーメン A-1
expand-enclosed;①㈱㍻;1(株)平成
shinjitai;舊字體の國學;旧字体の国学
nfkc;ＡＢｶﾞ①;ABガ1
to-official-punctuation;一，二．;一、二。
repair-mojibake;“ú–{Œê‚ÌƒeƒLƒXƒg;日本語のテキスト
to-cp932-safe;9時〜5時 −3;9時～5時 －3
TABLE
check "dedupe tail"      "a|"               "$(printf 'a\na' | ends "$cli" --convert dedupe)"
check "mime"             "件名日本"         "$(printf '=?ISO-2022-JP?B?GyRCN29MPhsoQg==?= =?utf-8?b?5pel5pys?=' | "$cli" --convert mime)"
check "mime-broken"      "テスト"            "$(printf '$B%%F%%9%%H(B' | "$cli" --convert mime-broken)"
check "menu conversion"  "ABC"              "$(printf 'abc' | "$cli" --convert upper)"
check "by its label"     "ABC"              "$(printf 'abc' | "$cli" --convert 大文字に変換)"
check "sortf filter"     "1|2|10|"         "$(printf '10\n2\n1' | ends "$cli" --convert sort-numeric)"
check "list"             "0"                "$(status "$cli" --list-conversions)"
check "reverse"          "cba|ed"           "$(printf 'abc\nde' | ends "$cli" --convert reverse)"
check "reverse CR LF"    "cba^|fed^|"       "$(printf 'abc\r\ndef\r\n' | ends "$cli" --convert reverse)"
# \r and \n as in perl; line-wise work on line bodies.
check "any line end to LF, LF text" "hello world|second|" "$(printf 'hello world\nsecond\n' | ends "$cli" 's/\r\n?/\n/g')"
check "CR LF to LF"      "a|b|"             "$(printf 'a\r\nb\r\n' | ends "$cli" 's/\r\n/\n/g')"
check "LF to CR LF"      "a^|b^|"           "$(printf 'a\nb\n' | ends "$cli" 's/\n/\r\n/g')"
check "m// on CR LF"     "foo^|"            "$(printf 'foo\r\nbar\r\n' | ends "$cli" 'm/o$/')"
check "anchored s/// CR LF" "fo0^|bar^|"    "$(printf 'foo\r\nbar\r\n' | ends "$cli" 's/o$/0/')"
check "count CR LF"      "2文字，3行，6バイト" "$(printf 'a\r\nb\r\n' | LC_ALL=ja_JP.UTF-8 "$cli" --count)"
check "y/// is tr///"    "bbc"              "$(printf 'abc' | "$cli" 'y/a/b/')"
check "-e y///"          "bbc"              "$(printf 'abc' | "$cli" -e 'y/a/b/')"
# A filter's input gets a line end only when the text lacks a final one.
while IFS=';' read -r input cmd want; do
    check "filter [$cmd] over [$input]" "$want" "$(printf "$input" | ends "$cli" -q "$cmd")"
done <<'TABLE'
b\na\n;sort;a|b|
b\na;sort;a|b|
b\r\na\r\n;sort;a^|b^|
b\r\na;sort;a^|b^|
abc\n;cat;abc|
abc;cat;abc|
a\r\nb;cat;a^|b^|
;cat;|
a\nb\n;wc -l;2|
a\nb;wc -l;2|
;wc -l;1|
TABLE
# Exit status by the outcome, the same with an empty and a non-empty input;
# on a failure nothing reaches standard output; standard error is empty on
# success and holds the message (a pattern here) otherwise.
while IFS='|' read -r want err args; do
    for input in '' 'x y'; do
        eval "set -- $args"
        got=$(printf '%s' "$input" | LC_ALL=C "$cli" "$@" 2>"$tmp/err"; echo "=$?")
        check "exit [$args] on '${input}'" "$want" "${got##*=}"
        [ "$want" != 0 ] && check "no output [$args] on '${input}'" "=" "${got%%[0-9]*}"
        if [ -z "$err" ]; then check "silent [$args] on '${input}'" "" "$(cat "$tmp/err")"
        else check "message [$args] on '${input}'" "1" "$(grep -c -- "$err" "$tmp/err")"; fi
    done
done <<'TABLE'
0||'s/x/y/'
0||'m/zzz/'
0||-e 's/x/y/' -e 'tr/y/z/'
0||true
0||'grep -c zzz || true'
0||--convert upper
0||--convert zenkaku
0||--convert=hankaku
0||--count
0||-- 's/x/y/'
1|bad pattern|'s/(/x/'
1|bad pattern|-e 's/(/x/'
1|check the command|'s///gk'
1|exit code 1|false
1|no-such-command-kk|no-such-command-kk
1|exit code 3|'echo oops >&2; exit 3'
1|cannot read no%2such.txt|'s/a/b/' 'no%2such.txt'
1|cannot read %1%2|'s/a/b/' '%1%2'
2|give one of|
2|unknown option --bogus|--bogus
2|unknown conversion "nope"|--convert nope
2|did you mean zenkaku|--convert zenkau
2|unknown conversion "foo/bar"|--convert=foo/bar 's/a/b/'
2|unknown option -x/y|-x/y
2|-e takes|-e sort
2|unknown input encoding|--input-encoding=ebcdic 's/a/b/'
2|takes no value|--invert=yes 'm/a/'
TABLE
check "--verbose says the status" "1" "$(printf 'aaa' | LC_ALL=C "$cli" --verbose 's/a/b/g' 2>&1 >/dev/null | grep -c .)"
check "no status before a failed write" "1" "$(printf 'a' | LC_ALL=C "$cli" --verbose 's/a/b/' 2>&1 >/dev/full | wc -l)"
# Every --help example runs (their files made here), and every option is in the man page.
(
    cd "$tmp" && printf 'a\nb\n' > lines.txt && printf 'abc' > in.txt && printf 'b\na\n' > names.txt &&
    printf 'colour\n' > notes.txt && printf 'apple\nbanana\n' > words.txt &&
        printf '  ａ\na\n' > table.txt
    LC_ALL=C "$cli" --help | sed -n '/^Examples:/,$p' | grep '^  kakikae-cli' | grep -v -- --clipboard |
        while read -r line; do
            eval "${line/kakikae-cli/\"$cli\"}" >/dev/null 2>"$tmp/example-err"
            echo "$? $line"
        done
) > "$tmp/examples"
check "help examples run" "$(grep -c . "$tmp/examples")" "$(grep -c '^0 ' "$tmp/examples")"
# The man page's examples too (roff's \- and \e read as - and \).
(
    cd "$tmp" && printf 'foo\n' > notes.txt && printf 'b\na\nb\n' > list.txt && printf ' abc\n' > in.txt
    sed -n '/^\.SH EXAMPLES/,/^\.fi/p' "$here/../../dist/man/kakikae-cli.1" | grep 'kakikae' |
        sed 's/\\-/-/g; s/\\e/\\/g' | grep -v -- --clipboard |
        while read -r line; do
            eval "${line//kakikae-cli/\"$cli\"}" >/dev/null 2>"$tmp/example-err"
            echo "$? $line"
        done
) > "$tmp/man-examples"
check "man page examples run" "$(grep -c . "$tmp/man-examples")" "$(grep -c '^0 ' "$tmp/man-examples")"
check "three man page examples without a clipboard" "3" "$(grep -c . "$tmp/man-examples")"
check "six examples without a clipboard" "6" "$(grep -c . "$tmp/examples")"
man_page=$here/../../dist/man/kakikae-cli.1
for opt in $(LC_ALL=C "$cli" --help | grep -oE '^  (-[a-z], )?--?[a-z-]+' | grep -oE -- '--?[a-z-]+$'); do
    check "man page has $opt" "1" "$(sed 's/\\-/-/g' "$man_page" | grep -c -m1 -- "$opt")"
done
check "help"             "0" "$(status "$cli" --help)"
check "write error"      "1" "$(printf foo | "$cli" -q 's/o/0/' >/dev/full 2>/dev/null; echo $?)"
check "count write error" "1" "$(printf foo | "$cli" -q --count >/dev/full 2>/dev/null; echo $?)"
check "conversion write error" "1" "$(printf foo | "$cli" -q --convert upper >/dev/full 2>/dev/null; echo $?)"

# Bytes: what is neither UTF-8 nor CP932 comes back byte for byte.
head -c 100000 /dev/urandom > "$tmp/random"
"$cli" -q 's/zzzz/y/g' < "$tmp/random" > "$tmp/out"
check "random bytes, matching nothing" "same" "$(cmp -s "$tmp/random" "$tmp/out" && echo same)"
cat "$tmp/random" | "$cli" -q -e 's/zzzz/y/g' > "$tmp/out"
check "random bytes through a pipe" "same" "$(cmp -s "$tmp/random" "$tmp/out" && echo same)"
# A file on standard input, a pipe and a FILE argument give the same bytes
# (a few MB, past the read's chunks), for a command that changes them.
yes 'line 東京 foo@bar baz' | head -c 3000000 > "$tmp/big"
"$cli" -q -e 's/(\w+)@(\w+)/$2 at $1/g' < "$tmp/big" > "$tmp/from-file"
cat "$tmp/big" | "$cli" -q -e 's/(\w+)@(\w+)/$2 at $1/g' > "$tmp/from-pipe"
"$cli" -q -e 's/(\w+)@(\w+)/$2 at $1/g' "$tmp/big" > "$tmp/from-arg"
check "file, pipe and argument agree" "same" "$(cmp -s "$tmp/from-file" "$tmp/from-pipe" && cmp -s "$tmp/from-file" "$tmp/from-arg" && echo same)"
check "and the command ran" "1" "$(head -1 "$tmp/from-file" | grep -c 'bar at foo')"
# A file cut short or changed under a run (it is mapped, not copied) ends
# it with exit 1 and a message, never a crash; a reader that stops early
# ends it too.
yes 'あい foo@bar' | head -c 60000000 > "$tmp/moving"
under_run() {  # what to do to the file once the run has it mapped
    LC_ALL=C "$cli" -q -e 's/(.)(.)/$2$1/g' "$tmp/moving" > /dev/null 2> "$tmp/moving-err" & local pid=$!
    for _ in $(seq 200); do grep -q moving "/proc/$pid/maps" 2>/dev/null && break; sleep 0.01; done
    eval "$1"
    wait $pid; echo "$?:$(grep -c -e 'cut short' -e 'changed while' "$tmp/moving-err")"
}
check "file cut short under a run" "1:1" "$(under_run ': > "$tmp/moving"')"
yes 'あい foo@bar' | head -c 60000000 > "$tmp/moving"
check "file changed under a run" "1:1" "$(under_run 'printf XY | dd of="$tmp/moving" bs=1 seek=50000000 conv=notrunc status=none')"
check "reader stops early" "10" "$("$cli" -q -e 's/foo/x/g' "$tmp/big" | head -c 10 | wc -c)"
check "latin-1 kept" "$(printf 'caf\xe9 NA\xefVE' | od -An -tx1)" "$(printf 'caf\xe9 na\xefve' | "$cli" -q -e 's/na/NA/' -e 's/ve/VE/' | od -An -tx1)"
check "whole CP932 read as CP932" "あい" "$(printf '\x82\xa0\x82\xa2' | "$cli" -q 's/x/y/')"
check "CP932 said even when quiet" "1" "$(printf '\x82\xa0\x82\xa2' | LC_ALL=C "$cli" -q 's/x/y/' 2>&1 >/dev/null | grep -c CP932)"
# Latin-1 that happens to decode as CP932 keeps its bytes; latin1 when asked.
check "latin-1 word kept" "$(printf 'r\xe9sum\xe9s\n' | od -An -tx1)" "$(printf 'r\xe9sum\xe9s\n' | "$cli" -q 's/zzz/y/' 2>/dev/null | od -An -tx1)"
# A start that settles the reading: the warning still comes, once, for a
# stray byte further on.
printf '東京 x\n%.0s' $(seq 20000) > "$tmp/stray"; printf 'caf\351\n' >> "$tmp/stray"
check "stray byte past the start kept" "same" "$("$cli" -q 's/zzz/y/' "$tmp/stray" 2>/dev/null | cmp -s - "$tmp/stray" && echo same)"
check "stray byte past the start said" "1" "$(LC_ALL=C "$cli" -q 's/zzz/y/' "$tmp/stray" 2>&1 >/dev/null | grep -c 'kept as they are')"
# The count reads such a file where it lies, a piece at a time.
check "count of a file read in pieces" "$(cat "$tmp/stray" | "$cli" --count 2>/dev/null)" "$("$cli" --count "$tmp/stray" 2>/dev/null)"
check "count of a file read in pieces said" "1" "$(LC_ALL=C "$cli" --count < "$tmp/stray" 2>&1 >/dev/null | grep -c 'kept as they are')"
check "latin1 asked" "résumé" "$(printf 'r\xe9sum\xe9' | "$cli" -q --input-encoding=latin1 's/zzz/y/')"
check "forced UTF-8 keeps the bytes" "$(printf '\x82\xa0' | od -An -tx1)" "$(printf '\x82\xa0' | "$cli" -q --input-encoding=utf-8 's/x/y/' | od -An -tx1)"

# --diff: the hunks diff -u gives (past its two header lines), the exit
# status of the command; no colour when piped.
body() { tail -n +3; }
while IFS='|' read -r input cmd; do
    printf "$input" > "$tmp/in"
    "$cli" -q "$cmd" < "$tmp/in" > "$tmp/res" 2>/dev/null
    check "--diff [$cmd]" "$(diff -u "$tmp/in" "$tmp/res" | body)" "$("$cli" -q --diff "$cmd" < "$tmp/in" | body)"
done <<'TABLE'
a\nb\nc\n|s/b/B/
b\na\nc|sort
one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\nten\n|s/^(t)/T/g
日本\n語\n|tr/日/月/
same\n|s/x/y/
TABLE
check "--diff failing command" "1" "$(printf 'x' | "$cli" -q --diff 's/(/x/' >/dev/null 2>&1; echo $?)"
check "--diff plain when piped" "0" "$(printf 'a\n' | "$cli" -q --diff 's/a/b/' | grep -c $'\033')"

# The window's history is written only when asked (a portable copy: its marker beside it).
mkdir "$tmp/portable"; cp "$cli" "$tmp/portable/"; : > "$tmp/portable/kakikae.portable"
printf 'x' | "$tmp/portable/kakikae-cli" -q 's/x/y/' >/dev/null
check "no history by default" "no" "$([ -e "$tmp/portable/kakikae1.ini" ] && echo yes || echo no)"
printf 'x' | "$tmp/portable/kakikae-cli" -q --record-history 's/x/y/' >/dev/null
check "history when asked" "s/x/y/" "$(tr -d '\r' < "$tmp/portable/kakikae1.ini")"
# Ended by a signal while its filter runs: the filter's processes go too,
# and the user's text was never on the disk (it goes through a pipe).
for sig in TERM HUP INT KILL; do
    run=$(mktemp -d)
    mark="sleep 37.$RANDOM"
    printf 'secret text' | XDG_RUNTIME_DIR=$run "$cli" "$mark; cat" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do pgrep -f "$mark" >/dev/null && break; sleep 0.1; done
    check "SIG$sig: the filter had started" "yes" "$(pgrep -f "$mark" >/dev/null && echo yes)"
    kill -$sig $pid; wait $pid 2>/dev/null
    sleep 0.2
    check "SIG$sig: nothing on the disk" "" "$(ls "$run")"
    [ $sig = KILL ] && pkill -f "$mark"
    check "SIG$sig stops the filter" "0" "$(pgrep -f "$mark" | wc -l)"
    rm -rf "$run"
done

# The sort conversions name their input file: killed outright while one
# runs, the folder stays, and the next run sweeps it.
run=$(mktemp -d)
yes 'secret text' | head -c 40000000 > "$tmp/to-sort"
XDG_RUNTIME_DIR=$run "$cli" --convert sort "$tmp/to-sort" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do [ -n "$(ls "$run")" ] && break; sleep 0.02; done
kill -KILL $pid; wait $pid 2>/dev/null; pkill -f "sort.*kke0.tmp"
check "SIGKILL leaves the folder" "1" "$(ls "$run" | wc -l)"
printf 'x' | XDG_RUNTIME_DIR=$run "$cli" -q --convert sort >/dev/null
check "the next run sweeps it" "" "$(ls "$run")"
rm -rf "$run"

# A filter runs in the caller's folder (never ours: "tee kakikae1.ini" there
# would overwrite the history), and what it leaves in the background ends
# with the run.
mkdir "$tmp/here"
check "filter in the caller's folder" "$tmp/here" "$(cd "$tmp/here" && printf 'x' | "$cli" pwd)"
printf 'x' | "$cli" "(sleep 41.$RANDOM; echo late) & echo now" >/dev/null
sleep 0.5
check "a background child ends with the run" "" "$(pgrep -af 'sleep 41\.')"
check "bad --timeout: 2" "2" "$(status "$cli" --timeout=0 --clipboard 's/a/b/')"

# Files after the command, "-" for standard input, "--" before a command that looks like an option.
printf 'a1\n' > "$tmp/f1"; printf 'b2' > "$tmp/f2"
check "files in order"      "A1|B2"   "$(ends "$cli" 'tr/a-z/A-Z/' "$tmp/f1" "$tmp/f2")"
check "- is stdin"          "A1|X"    "$(printf 'x' | ends "$cli" -e 'tr/a-z/A-Z/' "$tmp/f1" -)"
check "--convert files"     "B2"      "$("$cli" --convert upper "$tmp/f2")"
check "--count files"       "4文字，1行，4バイト" "$(LC_ALL=ja_JP.UTF-8 "$cli" --count "$tmp/f2" "$tmp/f2")"
check "-- then a filter"    "-n"      "$(printf '' | "$cli" -- "echo -n -n")"
check "--opt=value"         "B2"      "$("$cli" --convert=upper "$tmp/f2")"
check "missing file: 1"     "1"       "$(status "$cli" 's/a/b/' "$tmp/none")"
check "a folder: 1"         "1"       "$(status "$cli" 's/a/b/' "$tmp")"
check "--clipboard + FILE: 2" "2"     "$(status "$cli" --clipboard 's/a/b/' "$tmp/f1")"
check "value on a flag: 2"  "2"       "$(status "$cli" --invert=yes 'm/a/')"
# Messages follow the locale: Japanese under ja, English otherwise.
check "English message"  "kakikae-cli: cannot read $tmp/none (No such file or directory)" \
    "$(LC_ALL=C LANG= "$cli" 's/a/b/' "$tmp/none" 2>&1)"
check "Japanese message" "1" "$(LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8 "$cli" 's/a/b/' "$tmp/none" 2>&1 | grep -c 'ファイルを読めませんでした')"
check "English filter failure" "1" "$(printf 'x' | LC_ALL=C "$cli" 'exit 3' 2>&1 | grep -c 'the command failed (exit code 3)')"
check "English regex error" "1" "$(printf 'x' | LC_ALL=C "$cli" 's/(/x/' 2>&1 | grep -c 'bad pattern')"
# No clipboard to reach: exit 1 with a message, never a crash.
check "no display: 1"    "1"       "$(printf 'x' | env -u DISPLAY -u WAYLAND_DISPLAY "$cli" --clipboard 's/x/y/' >/dev/null 2>&1; echo $?)"
check "bad display: 1"   "1"       "$(env -u WAYLAND_DISPLAY DISPLAY=:97 "$cli" --clipboard 's/x/y/' >/dev/null 2>&1; echo $?)"

# Recipes: the same bytes as the chain of single runs piped one into the next.
cat > "$tmp/recipes.txt" <<'RECIPES'
# steps of every kind
[tidy] 【trim, width, sort, dedupe】
- s/^ +//g
- --convert to-half-width
- sort
- --convert dedupe
- -v m/^#/

[stops]
- s/a/A/
- exit 3
- s/b/B/
[broken
- x
RECIPES
for text in '  ｂ
ａ
  ｂ
#c
' '  ｂ
ａ
  ｂ
#c
' 'ｂ
a
  ａ' ''; do
    chain=$(printf "$text" | "$cli" 's/^ +//g' | "$cli" --convert to-half-width | "$cli" sort |
            "$cli" --convert dedupe | "$cli" --invert 'm/^#/' | tr '\n\r' '|^')
    check "recipe = chain: $text" "$chain" "$(printf "$text" | ends "$cli" --recipe-file "$tmp/recipes.txt" --recipe tidy 2>/dev/null)"
done
check "recipe names its failing step" "$(printf '1\n0')" "$(printf 'ab\n' | LC_ALL=C "$cli" --recipe-file "$tmp/recipes.txt" --recipe stops 2>&1 >/dev/null | grep -c 'stopped at step 2 (exit 3)'; printf 'ab\n' | "$cli" --recipe-file "$tmp/recipes.txt" --recipe stops 2>/dev/null | wc -c | tr -d ' \n')"
check "recipe fails: 1"        "1" "$(printf 'ab\n' | status "$cli" --recipe-file "$tmp/recipes.txt" --recipe stops)"
check "no such recipe: 2"      "2" "$(printf 'ab\n' | status "$cli" --recipe-file "$tmp/recipes.txt" --recipe nope)"
check "no recipe file: 1"      "1" "$(printf 'ab\n' | status "$cli" --recipe-file "$tmp/none" --recipe tidy)"
check "list recipes" "$(printf 'tidy\t5\ttrim, width, sort, dedupe\nstops\t3\t')" \
    "$(LC_ALL=C "$cli" --recipe-file "$tmp/recipes.txt" --list-recipes 2>/dev/null)"
check "bad block said with its line" "1" \
    "$(LC_ALL=C "$cli" --recipe-file "$tmp/recipes.txt" --list-recipes 2>&1 >/dev/null | grep -c 'recipes.txt, line 13: ')"
check "the user's recipes" "x" "$(mkdir -p "$tmp/cfg/kakikae" && printf '[r]\n- s/a/x/\n' > "$tmp/cfg/kakikae/kakikae-recipes.txt" &&
    printf 'a' | XDG_CONFIG_HOME="$tmp/cfg" "$cli" --recipe r)"
check "-e and --convert in order" "B|a|" \
    "$(printf '  ｂ\nａ\n' | ends "$cli" -e 's/^ +//' --convert to-half-width -e 's/b/B/')"
check "--convert then -e" "X" "$(printf 'x' | "$cli" --convert upper -e 's/x/y/')"

# Standard output a file: the filter writes it itself. A failure leaves the
# file as it was, a result that is no UTF-8 is decoded like any other, and
# what was in the file before a >> stays.
out=$tmp/out-file
while IFS='%' read -r name before cmd status want; do
    printf "$before" > "$out"
    printf 'b\na' | "$cli" -q "$cmd" >> "$out" 2>/dev/null
    check "into a file: $name" "$status:$want" "$?:$(ends cat "$out")"
    : > "$out"
    printf 'b\na' | "$cli" -q "$cmd" > "$out" 2>/dev/null
    rc=$?
    check "into a fresh file: $name" "$status:${want#"$(printf "$before" | tr '\n\r' '|^')"}" "$rc:$(ends cat "$out")"
done <<'TABLE'
sorted%%sort%0%a|b|
after what was there%x\n%sort%0%x|a|b|
failure says why%x\n%echo partial; echo bad >&2; exit 3%1%x|
silent failure keeps its output%%echo kept; exit 3%0%kept|
silent failure without output%x\n%exit 3%1%x|
killed%x\n%echo partial; kill -9 $$%1%x|
CP932 decoded%%printf '\202\240'%0%あ
TABLE
printf 'caf\351' | "$cli" -q cat > "$out" 2>/dev/null
check "into a file: bytes kept" "$(printf 'caf\351\n' | od -An -tx1)" "$(od -An -tx1 < "$out")"
printf 'b\na\n' > "$out"
# (cat would refuse to write the file it reads)
check "into its own input file" "b|a|b|a|" "$("$cli" -q cat "$out" >> "$out" 2>/dev/null; ends cat "$out")"
check "a big result into a file" "same" \
    "$("$cli" -q sort "$tmp/big" > "$out" && sort "$tmp/big" | cmp -s - "$out" && echo same)"

echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
