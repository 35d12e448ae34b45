#!/usr/bin/env bash
# The installed program: `cmake --install` into a scratch prefix, its file
# list, the desktop entry, the AppStream data, the man pages, and a filter
# that calls the installed helper (from libexec, not from PATH).
set -u
build=$1
fail=0; pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }
tool() {  # a checker from the packages; CI must have it
    command -v "$1" >/dev/null && return 0
    if [ -n "${CI:-}" ]; then fail=$((fail+1)); echo "FAIL missing in CI: $1"; else echo "SKIPPED (loudly): $1 missing"; fi
    return 1
}
prefix=$(mktemp -d); trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL cmake --install"; exit 1; }

expected="bin/kakikae
bin/kakikae-cli
libexec/kakikae/kakikae-keeper
libexec/kakikae/kakikae-notify.so
libexec/kakikae/sortf
share/applications/kakikae.desktop
share/bash-completion/completions/kakikae-cli
share/doc/kakikae/changelog.gz
share/doc/kakikae/copyright
share/doc/kakikae/kakikae.html
share/icons/hicolor/128x128/apps/kakikae.png
share/icons/hicolor/16x16/apps/kakikae.png
share/icons/hicolor/24x24/apps/kakikae.png
share/icons/hicolor/256x256/apps/kakikae.png
share/icons/hicolor/32x32/apps/kakikae.png
share/icons/hicolor/48x48/apps/kakikae.png
share/icons/hicolor/64x64/apps/kakikae.png
share/icons/hicolor/scalable/apps/kakikae.svg
share/man/man1/kakikae-cli.1.gz
share/man/man1/kakikae.1.gz
share/metainfo/jp.example.kakikae.metainfo.xml
share/zsh/vendor-completions/_kakikae-cli"
check "file list" "$expected" "$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
for size in 16 24 32 48 64 128 256; do
    check "icon ${size}px" "${size}x${size}" "$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/kakikae.png" | grep -o "${size} x ${size}" | tr -d ' ')"
done
check "svg without text" "0" "$(grep -c '<text' "$prefix/share/icons/hicolor/scalable/apps/kakikae.svg")"
if tool desktop-file-validate; then
    check "desktop-file-validate" "" "$(desktop-file-validate "$prefix/share/applications/kakikae.desktop" 2>&1)"
fi
if tool appstreamcli; then
    appstreamcli validate --no-net "$prefix/share/metainfo/jp.example.kakikae.metainfo.xml" >/dev/null 2>&1
    check "appstreamcli validate" 0 $?
fi
if tool man; then
    for page in kakikae kakikae-cli; do
        out=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" 2>&1)
        check "man $page renders" "1" "$(printf '%s\n' "$out" | grep -c '^EXIT STATUS')"
        check "man $page no warnings" "" "$(printf '%s\n' "$out" | grep -i 'warning')"
    done
fi
# The installed program runs from its own tree: sortf from libexec, the help
# page from the doc folder, lists in the config folder.
out=$(printf '10\n9' | env PATH=/usr/bin:/bin XDG_CONFIG_HOME="$prefix/config" "$prefix/bin/kakikae-cli" -q 'sortf -n')
check "installed filter calls installed sortf" "$(printf '9\n10')" "$out"
check "sortf not on PATH" "" "$(PATH=/usr/bin:/bin bash -c 'command -v sortf')"
printf 'x' | env XDG_CONFIG_HOME="$prefix/config" "$prefix/bin/kakikae-cli" -q --record-history 's/x/y/' >/dev/null
check "history in the config folder" "s/x/y/" "$(tr -d '\r' < "$prefix/config/kakikae/kakikae1.ini")"
check "nothing beside the executable" "kakikae kakikae-cli" "$(ls "$prefix/bin" | tr '\n' ' ' | sed 's/ $//')"
check "window --version" "0" "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kakikae" --version >/dev/null 2>&1; echo $?)"
check "window --help" "1" "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/kakikae" --help 2>&1 | grep -c '^usage: kakikae \[--new-window\]')"

echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
