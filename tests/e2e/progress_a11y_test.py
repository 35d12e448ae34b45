#!/usr/bin/python3
"""The window's progress bar as a screen reader sees it: during a 200 MB
conversion the accessibility bus shows a progress bar, named, whose value
rises, and it is gone when the work ends. Runs inside its own session bus
(dbus-run-session) on the X display the suite runs on.
Usage: dbus-run-session -- progress_a11y_test.py KAKIKAE"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import application, check, find, finish, wait_for  # noqa: E402

gui = sys.argv[1]

with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as home:  # helpers may still be leaving
    text = os.path.join(home, "big.txt")
    line = ("ｶﾀｶﾅとひらがなの行です 0123456789 " * 4 + "\n").encode()
    with open(text, "wb") as f:
        f.write(line * ((200 << 20) // len(line)))
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    env.pop("QT_QPA_PLATFORM", None)
    holder = subprocess.Popen(["xclip", "-selection", "clipboard", "-i", text],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    holder.wait()
    window = subprocess.Popen([gui], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = application(desktop, "kakikae", 30)
        check("the window is on the bus", app is not None)
        if app:
            item = wait_for(lambda: find(app, lambda a: a.name == "文字反転" and a.getRoleName() == "menu item"), 30)
            check("the reversal item", item is not None)
            # The menus go while the 200 MB clipboard is read and come back once it is in.
            enabled = lambda: item.getState().contains(pyatspi.STATE_ENABLED)
            wait_for(lambda: not enabled(), 20)
            loaded = wait_for(enabled, 120)
            check("the clipboard's text loaded", loaded)
            item.queryAction().doAction(0)
            values, shown = [], False
            end = time.time() + 60
            while time.time() < end:
                bar = find(app, lambda a: a.getRoleName() == "progress bar")
                if bar is not None and bar.getState().contains(pyatspi.STATE_SHOWING):
                    shown = True
                    check("the bar is named", bar.name == "進み具合", bar.name)
                    values.append(bar.queryValue().currentValue)
                elif shown:
                    break
                time.sleep(0.1)
            check("a bar shows while it works", shown)
            check("its value rises", len(set(values)) >= 2 and values == sorted(values), values)
            check("and is gone at the end", shown and time.time() < end)
    finally:
        window.terminate()
        window.wait(10)
        # xclip stays behind serving the 200 MB text: it goes with the test.
        subprocess.run(["pkill", "-f", "xclip -selection clipboard -i " + text])

finish("progress a11y tests")
