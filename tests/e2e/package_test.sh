#!/usr/bin/env bash
# The Debian package: its control fields, lintian, and the unpacked program on a small case.
set -u
deb=$1
fail=0; pass=0
check() { if [ "$2" == "$3" ]; then pass=$((pass+1)); else fail=$((fail+1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi; }
root=$(mktemp -d); trap 'rm -rf "$root"' EXIT
check "package name" "kakikae" "$(dpkg-deb -f "$deb" Package)"
check "depends on Qt" "1" "$(dpkg-deb -f "$deb" Depends | grep -c libqt6widgets6)"
check "recommends wl-clipboard" "1" "$(dpkg-deb -f "$deb" Recommends | grep -c wl-clipboard)"
check "recommends an input method" "1" "$(dpkg-deb -f "$deb" Recommends | grep -c 'fcitx5-frontend-qt6 | ibus')"
if command -v lintian >/dev/null; then
    # Errors fail; warnings are listed for the record.
    tags=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null)
    printf '%s\n' "$tags" | grep -v '^E:' | sed 's/^/lintian: /'
    check "lintian errors" "" "$(printf '%s\n' "$tags" | grep '^E:')"
elif [ -n "${CI:-}" ]; then
    check "lintian present in CI" "yes" "no"
fi
dpkg-deb -x "$deb" "$root"
check "unpacked filter with its helper" "$(printf 'あ\nい')" "$(printf 'い\nあ' | env PATH=/usr/bin:/bin "$root/usr/bin/kakikae-cli" -q 'sortf')"
check "unpacked replace" "Hello" "$(printf 'hello' | "$root/usr/bin/kakikae-cli" -q 's/h/H/')"
echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
