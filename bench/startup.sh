#!/usr/bin/env bash
# Start-up of the window on a real X server with a big clipboard text: from
# exec to the event loop's first idle moment (KAKIKAE_QUIT_WHEN_READY), the
# clipboard read over X (incremental transfer) included.
# Usage: bench/startup.sh BUILD_DIR [MEGABYTES]; needs xvfb-run, xclip, hyperfine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$1" && pwd)/bin
mb=${2:-20}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"; fi
unset QT_QPA_PLATFORM
work=$(mktemp -d); trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
export XDG_CONFIG_HOME=$work LC_ALL=C.UTF-8
"$here/make-text" "$mb" > "$work/text.txt"
json=$work/r.json
xclip -selection clipboard -i < "$work/text.txt" >/dev/null 2>&1
hyperfine --style none -w 1 -r 5 --export-json "$json" \
    "KAKIKAE_QUIT_WHEN_READY=1 $bin/kakikae" \
    "xclip -selection clipboard -o > /dev/null" >/dev/null 2>&1
printf '' | xclip -selection clipboard -i >/dev/null 2>&1
hyperfine --style none -w 1 -r 5 --export-json "$work/e.json" "KAKIKAE_QUIT_WHEN_READY=1 $bin/kakikae" >/dev/null 2>&1
perl -MJSON::PP -e '
    my ($mb, $f, $e) = @ARGV; local $/;
    open my $h, "<", $f or die; my $r = decode_json(<$h>)->{results};
    open my $g, "<", $e or die; my $empty = decode_json(<$g>)->{results}[0]{mean};
    printf "- start-up to an idle event loop with a %d MB clipboard: %.0f ms (σ %.0f ms); with an empty clipboard: %.0f ms; `xclip -o` alone reads the %d MB in %.0f ms\n",
        $mb, $r->[0]{mean} * 1000, $r->[0]{stddev} * 1000, $empty * 1000, $mb, $r->[1]{mean} * 1000;' "$mb" "$json" "$work/e.json"
