#!/usr/bin/python3
"""The window's outcomes as a screen reader meets them, on the accessibility
bus: the status line is a status bar holding the whole message; each outcome
(a run, a failed run, a copy-back, a menu conversion, the count) shows a
notification carrying its text, the event a reader speaks; a run that
changes nothing sends no text change for the text box; the changed mark is
in the box's name. Runs inside its own session bus (dbus-run-session) on the
X display the suite runs on.
Usage: dbus-run-session -- status_a11y_test.py KAKIKAE"""
import os
import subprocess
import sys
import tempfile

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import application, check, end_processes_of, find, finish, wait_for  # noqa: E402
from gi.repository import GLib  # noqa: E402

gui = sys.argv[1]
notifications, text_changes = [], []


def on_showing(event):
    try:
        if event.detail1 and event.source.getRoleName() == "notification":
            notifications.append(event.source.name)
    except Exception:
        pass


def on_text_changed(event):
    try:
        if event.source.name.startswith("作業欄"):
            text_changes.append(event.type)
    except Exception:
        pass


def pump(seconds):
    """Lets the bus deliver its events for a while."""
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()


def wait(what, seconds):
    """Waits with the bus's events delivered meanwhile."""
    return wait_for(what, seconds, lambda: pump(0.2))


pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
pyatspi.Registry.registerEventListener(on_text_changed, "object:text-changed")

with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as home:  # helpers may still be leaving
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", LANG="ja_JP.UTF-8")
    env.pop("QT_QPA_PLATFORM", None)
    subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=b"one\ntwo\n", env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = subprocess.Popen([gui, "--new-window"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = application(desktop, "kakikae", 30, lambda: pump(0.2))
        check("the window is on the bus", app is not None)
        if app:
            bar = wait(lambda: find(app, lambda a: a.getRoleName() == "status bar"), 20)
            check("a status bar", bar is not None)
            line = bar and find(bar, lambda a: a.getRoleName() == "label")
            loaded = wait(lambda: line and line.name == "現在のクリップボード内容", 20)
            check("the status bar reads the loaded clipboard", loaded, line and line.name)
            command = find(app, lambda a: a.getRoleName() == "text" and a.name == "正規表現/　Filterｺﾏﾝﾄﾞ")
            run = find(app, lambda a: a.getRoleName() == "push button" and a.name == "置換実行")
            copy = find(app, lambda a: a.getRoleName() == "push button" and a.name == "clip boad 転送")
            upper = find(app, lambda a: a.getRoleName() == "menu item" and a.name == "大文字に変換")
            count = find(app, lambda a: a.getRoleName() == "menu item" and a.name == "文字カウント")
            box = find(app, lambda a: a.getRoleName() == "text" and a.name.startswith("作業欄"))
            check("the controls", all([command, run, copy, upper, count, box]))

            def outcome(act, what, expected, status=None):
                """Does `act` and waits for a notification saying `expected`
                (and the status bar saying `status`, or the same)."""
                del notifications[:]
                act()
                said = wait(lambda: next((n for n in notifications if expected in n), None), 15)
                check(f"{what} is said", said, notifications)
                shown = status or expected
                check(f"{what} on the status bar", wait(lambda: shown in line.name, 5), line.name)

            def run_command(text):
                command.queryEditableText().setTextContents(text)
                run.queryAction().doAction(0)

            outcome(lambda: run_command("s/o/0/g"), "a run", "変換終了")
            # Nothing matches: the box is left alone, and still it is said.
            pump(0.5)
            del text_changes[:]
            outcome(lambda: run_command("s/zzz/y/"), "a run that changes nothing", "変換終了")
            pump(0.5)
            check("no text change for an unchanged run", not text_changes, text_changes)
            outcome(lambda: run_command("exit 3"), "a failed run", "エラー: ", "終了コード 3")
            outcome(lambda: copy.queryAction().doAction(0), "a copy-back", "現在のクリップボード内容")
            outcome(lambda: upper.queryAction().doAction(0), "a menu conversion", "変換終了")
            outcome(lambda: count.queryAction().doAction(0), "the count", "文字")
            check("the count's figures", any("行" in n for n in notifications), notifications)
            # A key typed into the box, as a user types it.
            box.queryComponent().grabFocus()
            subprocess.run(["xdotool", "search", "--name", "^kakikae$", "windowfocus", "--sync", "key", "x"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            check("the changed mark is in the box's name",
                  wait(lambda: box.name == "作業欄（変更）", 5), box.name)
    finally:
        window.terminate()
        window.wait(10)
        # The clipboard's servers go with the test (xclip from the start, the
        # keeper the window leaves serving its copy-back).
        end_processes_of(home)

finish("status a11y tests")
