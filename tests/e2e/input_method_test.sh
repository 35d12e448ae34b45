#!/usr/bin/env bash
# Runs input_method_test.py as an ordinary user: mozc refuses to run as
# root, so under root (CI, a fresh machine) the test makes a user of its own
# and gives it copies of the window and the test.
# Usage: input_method_test.sh KAKIKAE
set -euo pipefail
gui=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in fcitx5 Xvfb openbox xdotool xclip dbus-run-session /usr/lib/mozc/mozc_server; do
  command -v "$tool" >/dev/null || { echo "input method test: $tool is missing (scripts/bootstrap installs it)" >&2; exit 1; }
done
if [ "$(id -u)" -ne 0 ]; then
  exec dbus-run-session -- /usr/bin/python3 "$here/input_method_test.py" "$gui"
fi
user=kakikae-imtest
id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
work=$(mktemp -d) home=$(mktemp -d)
trap 'rm -rf "$work" "$home"' EXIT
chown "$user" "$home"
cp "$gui" "$here/input_method_test.py" "$here/a11y_support.py" "$work/"
chmod -R a+rX "$work"
runuser -u "$user" -- env -i PATH="$PATH" HOME="$home" TMPDIR=/tmp \
  dbus-run-session -- /usr/bin/python3 "$work/input_method_test.py" "$work/$(basename "$gui")"
