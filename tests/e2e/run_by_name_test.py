#!/usr/bin/python3
"""A desktop key's `kakikae --run NAME`, against a mock notification daemon
on a session bus of the test's own and a private X server: without a window
kakikae-cli runs it; with the window running, the window takes it over its
socket (it records the run in its history, the command-line tool does not).
Either way the clipboard gets the result, the selection is read with
--primary, and a notification says what came of it. Then a key of the
window's own shortcuts, pressed while another window has the focus.
Usage: dbus-run-session -- run_by_name_test.py BIN_DIR"""
import os
import subprocess
import sys
import tempfile
import time

import dbus
import dbusmock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import SHORTCUT_SETTINGS, check, end_session, finish, session_home, wait_for  # noqa: E402

bin_dir = sys.argv[1]
kakikae = os.path.join(bin_dir, "kakikae")
server, daemon = dbusmock.DBusTestCase.spawn_server_template("notification_daemon", {}, stdout=subprocess.DEVNULL)
mock = dbus.Interface(daemon, dbusmock.MOCK_IFACE)


def notices():
    return [(str(c[2][3]), str(c[2][4])) for c in mock.GetCalls() if c[1] == "Notify"]


with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as home:
    env, x = session_home(home, {"kakikae0.ini": "【大文字】tr/a-z/A-Z/\ns/x/y/g 【xをyに】\n",
                                 "kakikae-recipes.txt": "[引用]\n- s/^/> /g\n", "kakikae.conf": SHORTCUT_SETTINGS})
    config = env["XDG_CONFIG_HOME"]

    def put(text, selection="clipboard"):
        subprocess.run(["xclip", "-selection", selection, "-i"], input=text.encode(), env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def clipboard():
        return subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=env, capture_output=True).stdout.decode()

    def history():
        path = os.path.join(config, "kakikae", "kakikae1.ini")
        return open(path, encoding="utf-8").read() if os.path.exists(path) else ""

    def run(*args):
        mock.ClearCalls()
        return subprocess.run([kakikae, "--run", *args], env=env, capture_output=True, timeout=30)

    window = None
    try:
        # No window: kakikae-cli takes the run.
        put("abc")
        r = run("大文字")
        check("no window: exit 0", r.returncode == 0, r.stderr)
        check("no window: the favourite ran on the clipboard", wait_for(lambda: clipboard() == "ABC", 5), clipboard())
        said = notices()
        check("no window: a notification under the name", said and said[0][0] == "kakikae: 大文字", said)
        check("no window: nothing in the window's history", history() == "", history())
        r = run("無い名前")
        check("an unknown name: exit 2", r.returncode == 2, r.returncode)
        check("... said as a failure", notices() and "無い名前" in notices()[0][1], notices())
        r = run("")
        check("the command line without a window: exit 1", r.returncode == 1, r.returncode)
        check("... says it needs the window", notices() and "window is open" in notices()[0][1], notices())

        # The window running: it takes the run, unseen.
        window = subprocess.Popen([kakikae], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = os.path.join(home, "kakikae-window-" + env["DISPLAY"].replace(":", "_"))
        check("the window listens", wait_for(lambda: os.path.exists(socket), 20), os.listdir(home))
        put("xax")
        started = time.time()
        r = run("xをyに")
        check("window: the asker ends at once", r.returncode == 0 and time.time() - started < 5, r)
        check("window: the favourite ran on the clipboard", wait_for(lambda: clipboard() == "yay", 10), clipboard())
        check("window: it was the window's run", wait_for(lambda: "s/x/y/g" in history(), 5), history())
        check("window: a notification", wait_for(lambda: any(n[0] == "kakikae: xをyに" for n in notices()), 5),
              notices())
        put("clip")
        put("one\ntwo", "primary")
        r = run("引用", "--primary")
        check("window: a recipe on the selection", wait_for(lambda: clipboard() == "> one\n> two", 10), clipboard())
        check("window: it stays open", window.poll() is None, window.returncode)

        # The window's own key, the focus in another program's window.
        other = subprocess.Popen(["xmessage", "-geometry", "+600+400", "another program"], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: subprocess.run(["xdotool", "search", "--name", "xmessage"], env=env,
                                        capture_output=True).returncode == 0, 10)
        subprocess.run(["xdotool", "search", "--name", "xmessage", "windowfocus", "--sync"], env=env,
                       capture_output=True)
        put("three\nlines\nhere")
        mock.ClearCalls()
        subprocess.run(["xdotool", "key", "ctrl+alt+k"], env=env)
        check("global key: the recipe ran on the clipboard",
              wait_for(lambda: clipboard() == "> three\n> lines\n> here", 10), clipboard())
        check("global key: a notification", wait_for(lambda: any(n[0] == "kakikae: 引用" for n in notices()), 5),
              notices())
        other.terminate()
    finally:
        end_session(home, x, window)
        server.terminate()
        server.wait()

finish("run by name tests")
