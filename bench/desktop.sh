#!/usr/bin/env bash
# The floor table's desktop rows, on an X server (Xvfb when there is none):
# the window's start with a big clipboard against `xclip -o` reading it, and
# a desktop key's round trip (`kakikae-cli --clipboard 's/foo/bar/g'`)
# against `xclip -o | xclip -i` of the same text, with the clipboard set by
# xclip before every run. Usage: bench/desktop.sh BUILD_DIR [MEGABYTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"; fi
unset QT_QPA_PLATFORM
bin=$(cd "$1" && pwd)/bin
mb=${2:-100}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work LC_ALL=C.UTF-8
"$here/make-text" "$mb" > "$work/big.txt"
head -c 1024 "$work/big.txt" > "$work/1k.txt"
head -c 1048576 "$work/big.txt" > "$work/1m.txt"
set_clip="xclip -selection clipboard -i"
row() {  # LABEL JSON: ours first, then the reference
    perl -MJSON::PP -e '
        my ($label, $file) = @ARGV; local $/;
        open my $f, "<", $file or die; my $r = decode_json(<$f>)->{results};
        printf "| %s | %.3f s | %.3f s (%.2f×) | |\n", $label, $r->[0]{mean}, $r->[1]{mean}, $r->[0]{mean} / $r->[1]{mean};' "$1" "$2"
}
$set_clip < "$work/big.txt"
hyperfine --style none -w 1 -r "${RUNS:-5}" --export-json "$work/s.json" \
    "KAKIKAE_QUIT_WHEN_READY=1 $bin/kakikae" "xclip -selection clipboard -o > /dev/null" >/dev/null 2>&1
row "window start, ${mb} MB clipboard / \`xclip -o\`" "$work/s.json"
for size in 1k 1m; do
    hyperfine --style none -N -w 2 -r "${RUNS_KEY:-20}" --prepare "sh -c '$set_clip < $work/$size.txt'" \
        --export-json "$work/k.json" "$bin/kakikae-cli --no-notify --clipboard s/foo/bar/g" \
        "sh -c 'xclip -selection clipboard -o | $set_clip'" >/dev/null 2>&1
    label=$([ "$size" = 1k ] && echo "1 KB" || echo "1 MB")
    row "key round trip, $label / \`xclip -o | xclip -i\`" "$work/k.json"
done
# The keepers this run left serve a clipboard that goes with the server.
for p in $(pgrep -f -- '--hold-clipboard'); do
    tr '\0' '\n' < /proc/$p/environ 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && kill "$p"
done
true
