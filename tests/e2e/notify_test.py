#!/usr/bin/python3
"""Failures of kakikae-cli as desktop notifications, against a mock
notification daemon on a session bus of the test's own: a --clipboard run
that fails with standard error no terminal (as under a desktop key) shows
one; --no-notify and a plain pipeline show none; --notify asks for one.
Usage: dbus-run-session -- notify_test.py KAKIKAE-CLI"""
import os
import subprocess
import sys

import dbus
import dbusmock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import check, finish  # noqa: E402

cli = sys.argv[1]
server, daemon = dbusmock.DBusTestCase.spawn_server_template("notification_daemon", {}, stdout=subprocess.DEVNULL)
mock = dbus.Interface(daemon, dbusmock.MOCK_IFACE)
# No display and no Wayland: the clipboard cannot be reached.
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
env["LANG"] = "C.UTF-8"


def notices(args, stdin=b"x\n"):
    """The notifications one run shows: (summary, body) each."""
    mock.ClearCalls()
    run = subprocess.run([cli] + args, input=stdin, env=env, capture_output=True, timeout=30)
    calls = [c for c in mock.GetCalls() if c[1] == "Notify"]
    return run, [(str(c[2][3]), str(c[2][4])) for c in calls]


try:
    run, said = notices(["--clipboard", "s/a/b/"])
    check("a clipboard run that fails: exit 1", run.returncode == 1, run.returncode)
    check("... and one notification", len(said) == 1, said)
    check("... saying what stderr says", said and said[0][1] in run.stderr.decode(), (said, run.stderr))
    check("... under its title", said and said[0][0] == "kakikae: it did not run", said)
    run, said = notices(["--clipboard", "--no-notify", "s/a/b/"])
    check("--no-notify: none", run.returncode == 1 and not said, said)
    run, said = notices(["s/(/x/"])
    check("a pipeline's failure: none", run.returncode == 1 and not said, said)
    run, said = notices(["--notify", "s/(/x/"])
    check("--notify: one", len(said) == 1 and "(" in said[0][1], said)
    run, said = notices(["--notify", "s/a/b/"])
    check("a success: none", run.returncode == 0 and not said, said)
finally:
    server.terminate()
    server.wait()

finish("notification tests")
