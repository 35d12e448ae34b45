# Shared by the hyperfine scripts: a work folder with the benchmark text, the
# table's head, and compare: OURS against reference commands in one
# hyperfine run, printed as a markdown row with the time ratios.
# Usage: compare LABEL INPUT OURS REF [REF2]; commands read INPUT on stdin and
# write a file beside it (not /dev/null, which grep notices and stops early).
runs=${RUNS:-3}
compare() {
    local label=$1 input=$2; shift 2
    local json; json=$(mktemp)
    local out; out=$(dirname "$input")/out.txt
    local args=()
    for c in "$@"; do args+=("$c < $input > $out"); done
    hyperfine --style none -w 1 -r "$runs" --export-json "$json" "${args[@]}" >/dev/null 2>&1 || {
        echo "| $label | failed | | |"; rm -f "$json" "$out"; return; }
    perl -MJSON::PP -e '
        my ($label, $file) = @ARGV;
        local $/; open my $f, "<", $file or die; my $r = decode_json(<$f>)->{results};
        my $ours = $r->[0]{mean};
        my @cells = sprintf "%.3f s", $ours;
        for my $ref (@$r[1 .. $#$r]) { push @cells, sprintf "%.3f s (%.2f×)", $ref->{mean}, $ours / $ref->{mean}; }
        push @cells, "" while @cells < 3;
        print "| $label | ", join(" | ", @cells), " |\n";' "$label" "$json"
    rm -f "$json" "$out"
}
# Peak resident memory of one command over INPUT, in MB.
peak_mb() {
    local input=$1; shift
    /usr/bin/time -f %M sh -c "$* < $input > /dev/null" 2>&1 >/dev/null | tail -1 | awk '{printf "%.0f", $1/1024}'
}

# bench_setup BUILD_DIR MEGABYTES [kana|mail]: sets bin, cli, work (removed
# at exit) and text (the generated text), and a fixed locale.
bench_setup() {
    bin=$(cd "$1" && pwd)/bin
    cli=$bin/kakikae-cli
    # In memory when there is a tmpfs: the disk's write-back of one row's
    # output then no longer lands in the next row's time.
    work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d); trap 'rm -rf "$work"' EXIT
    text=$work/text.txt
    local here; here=$(dirname "${BASH_SOURCE[0]}")
    if [ "${3:-}" = mail ]; then "$here/make-mail" "$2" > "$text"; else "$here/make-text" "$2" ${3:-} > "$text"; fi
    export LC_ALL=C.UTF-8
}
# table_head TITLE COLUMN... : the section title with machine and date, then the header row.
table_head() {
    local title=$1; shift
    echo "### $title ($(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"
    echo
    local row="" sep=""
    for c in "$@"; do row+=" $c |"; sep+="---|"; done
    echo "|$row"
    echo "|$sep"
}
