#!/usr/bin/python3
"""The preview and a run as a Japanese user meets them: every key goes
through a real input method (fcitx5 with mozc, Japanese typed as romaji and
converted), with the preview on. After each run the box, the status bar and
the copy-back must agree: the run applied once, the run's own status, no
preview left over; a history completion is not previewed.
Runs as an ordinary user (mozc refuses root; input_method_test.sh switches),
in its own session bus, X server, window manager and fcitx5.
Usage: dbus-run-session -- input_method_test.py KAKIKAE"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import application, check, end_processes_of, find, finish, start_x, wait_for  # noqa: E402
from gi.repository import Gio, GLib  # noqa: E402

gui = sys.argv[1]
START = "one\ntwo\n東京\n"

PROFILE = """[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
"""


def pump(seconds):
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()


def wait(what, seconds):
    return wait_for(what, seconds, lambda: pump(0.2))


def fcitx_on_the_bus():
    """Asked without starting it: the bus would start one of its own."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                          GLib.Variant("(s)", ("org.fcitx.Fcitx5",)), None, Gio.DBusCallFlags.NONE, -1)
    return reply.unpack()[0]


with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as home:  # helpers may still be leaving
    os.chmod(home, 0o700)
    config = os.path.join(home, ".config")
    os.makedirs(os.path.join(config, "fcitx5"))
    with open(os.path.join(config, "fcitx5", "profile"), "w") as f:
        f.write(PROFILE)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=home, LANG="ja_JP.UTF-8",
               QT_IM_MODULE="fcitx", XMODIFIERS="@im=fcitx", GTK_IM_MODULE="fcitx",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    env.pop("QT_QPA_PLATFORM", None)
    server, display = start_x(env)
    env["DISPLAY"] = os.environ["DISPLAY"] = display
    helpers = [server, subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
    window = None

    def keys(*args):
        """Keys as a keyboard sends them, to whatever has the focus."""
        for a in args:
            if a.startswith("+"):
                subprocess.run(["xdotool", "type", "--delay", "60", a[1:]], env=env)
            else:
                subprocess.run(["xdotool", "key", a], env=env)
            time.sleep(0.3)

    def clipboard():
        return subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=env, capture_output=True,
                              timeout=10).stdout.decode()

    try:
        helpers.append(subprocess.Popen(["fcitx5"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        check("fcitx5 runs", wait_for(fcitx_on_the_bus, 20))
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=START.encode(), env=env)
        window = subprocess.Popen([gui, "--new-window"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        app = application(pyatspi.Registry.getDesktop(0), "kakikae", 30, lambda: pump(0.2))
        check("the window is on the bus", app is not None)
        if not app:
            finish("input method tests")
        bar = wait(lambda: find(app, lambda a: a.getRoleName() == "status bar"), 20)
        line = bar and find(bar, lambda a: a.getRoleName() == "label")
        box = find(app, lambda a: a.getRoleName() == "text" and a.name.startswith("作業欄"))
        command = find(app, lambda a: a.getRoleName() == "text" and a.name == "正規表現/　Filterｺﾏﾝﾄﾞ")
        copy = find(app, lambda a: a.getRoleName() == "push button" and a.name == "clip boad 転送")
        check("the controls", all([line, box, command, copy]))

        def text(acc):
            t = acc.queryText()
            return t.getText(0, t.characterCount).replace("\u2028", "\n")  # the box's line ends

        check("the clipboard is loaded", wait(lambda: text(box) == START, 20), text(box))
        subprocess.run(["xdotool", "search", "--name", "^kakikae$", "windowactivate", "--sync"], env=env)
        command.queryComponent().grabFocus()
        keys("ctrl+p")  # the preview on

        def agree(what, expected):
            """The box shows `expected` as the run made it, the status bar the
            run's own outcome, and the copy-back gives the same bytes."""
            check(f"{what}: the box", wait(lambda: text(box) == expected, 10), text(box))
            pump(1.0)  # time for a stray preview to show up
            check(f"{what}: the box after a while", text(box) == expected, text(box))
            status = line.name
            check(f"{what}: the run's status", "変換終了" in status and "プレビュー" not in status, status)
            copy.queryAction().doAction(0)
            check(f"{what}: the copy-back", wait(lambda: clipboard() == expected, 10), clipboard())
            command.queryComponent().grabFocus()
            pump(0.3)

        # Typed with the input method in the loop but off (half-width letters).
        keys("ctrl+a", "+s/o/oo/g")
        check("the preview shows before the run", wait(lambda: "プレビュー" in line.name, 10), line.name)
        keys("Return")
        agree("a run that changes each time", "oone\ntwoo\n東京\n")

        # Japanese converted by mozc: Enter commits the conversion, a second
        # Enter runs. Run twice: the second changes nothing and says so.
        keys("ctrl+a", "+s/", "ctrl+space", "+toukyou", "space", "Return", "ctrl+space", "+/",
             "ctrl+space", "+oosaka", "space", "Return", "ctrl+space", "+/g")
        check("the command as converted", wait(lambda: text(command) == "s/東京/大阪/g", 5), text(command))
        keys("Return")
        agree("a run typed through mozc", "oone\ntwoo\n大阪\n")
        keys("Return")
        agree("the same run again", "oone\ntwoo\n大阪\n")

        # The history now completes s/東京 with its tail; the preview must not
        # apply the completed command before the user takes it.
        box.queryEditableText().setTextContents(START)
        command.queryComponent().grabFocus()
        keys("ctrl+a", "+s/", "ctrl+space", "+toukyou", "space", "Return", "ctrl+space")
        pump(1.5)
        check("completion offered", text(command).startswith("s/東京"), text(command))
        check("a completion is not previewed", text(box) == START and "プレビュー" not in line.name,
              (text(box), line.name))
        keys("Return")
        agree("the completed command run", "one\ntwo\n大阪\n")
    finally:
        if window:
            window.terminate()
            window.wait(10)
        for p in reversed(helpers):
            p.terminate()
        end_processes_of(home)  # mozc's server, xclip, the keeper

finish("input method tests")
