# Shared by the hyperfine scripts: compare OURS against reference commands in
# one hyperfine run and print a markdown row with the time ratios.
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
