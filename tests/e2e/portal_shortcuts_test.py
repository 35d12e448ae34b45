#!/usr/bin/python3
"""Global keys through the desktop's GlobalShortcuts portal, against a mock
portal and a mock notification daemon on a session bus of the test's own:
the window makes a session and binds its keys with their preferred triggers;
the portal's Activated runs the recipe on the clipboard, unseen, and a
notification tells the result.
Usage: dbus-run-session -- portal_shortcuts_test.py KAKIKAE"""
import os
import subprocess
import sys
import tempfile

import dbus
import dbusmock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_support import SHORTCUT_SETTINGS, check, end_session, finish, session_home, wait_for  # noqa: E402

kakikae = sys.argv[1]
IFACE = "org.freedesktop.portal.GlobalShortcuts"
PATH = "/org/freedesktop/portal/desktop"
SESSION = "/org/freedesktop/portal/desktop/session/1_1/kakikae"
# Each call answers with a Request whose Response comes a moment later, as a
# desktop's does.
RESPOND = """
from gi.repository import GLib
request = '/org/freedesktop/portal/desktop/request/1_1/' + args[-1]['handle_token']
self.AddObject(request, 'org.freedesktop.portal.Request', {}, [])
GLib.timeout_add(50, lambda r=objects[request], d=dbus: r.EmitSignal('org.freedesktop.portal.Request', 'Response',
                                                                      'ua{sv}', [d.UInt32(0), RESULTS]) and False)
ret = dbus.ObjectPath(request)
"""

notifier, daemon = dbusmock.DBusTestCase.spawn_server_template("notification_daemon", {}, stdout=subprocess.DEVNULL)
notes = dbus.Interface(daemon, dbusmock.MOCK_IFACE)
portal_server = dbusmock.DBusTestCase.spawn_server("org.freedesktop.portal.Desktop", PATH, IFACE,
                                                   stdout=subprocess.DEVNULL)
bus = dbus.SessionBus()
portal = dbus.Interface(bus.get_object("org.freedesktop.portal.Desktop", PATH), dbusmock.MOCK_IFACE)
portal.AddProperty(IFACE, "version", dbus.UInt32(1))
portal.AddMethod(IFACE, "CreateSession", "a{sv}", "o",
                 RESPOND.replace("RESULTS", f"{{'session_handle': dbus.ObjectPath('{SESSION}')}}"))
portal.AddMethod(IFACE, "BindShortcuts", "oa(sa{sv})sa{sv}", "o", RESPOND.replace("RESULTS", "{}"))


def calls(name):
    return [c for c in portal.GetCalls() if c[1] == name]


with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as home:
    env, x = session_home(home, {"kakikae-recipes.txt": "[引用]\n- s/^/> /g\n", "kakikae.conf": SHORTCUT_SETTINGS})

    def clipboard():
        return subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=env, capture_output=True).stdout.decode()

    window = None
    try:
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=b"one\ntwo", env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = subprocess.Popen([kakikae], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check("a session is made", wait_for(lambda: calls("CreateSession"), 20), portal.GetCalls())
        bound = wait_for(lambda: calls("BindShortcuts"), 10)
        check("the keys are bound in it", bound and str(bound[0][2][0]) == SESSION, bound)
        if bound:
            shortcuts = bound[0][2][1]
            check("one shortcut, by a stable id", len(shortcuts) == 1 and str(shortcuts[0][0]) == "run:引用", shortcuts)
            check("... with its preferred key", shortcuts and str(shortcuts[0][1].get("preferred_trigger")) == "CTRL+ALT+k",
                  shortcuts)
        notes.ClearCalls()
        portal.EmitSignal(IFACE, "Activated", "osta{sv}", [dbus.ObjectPath(SESSION), "run:引用", dbus.UInt64(0),
                                                          dbus.Dictionary({}, signature="sv")])
        check("Activated runs the recipe on the clipboard", wait_for(lambda: clipboard() == "> one\n> two", 10),
              clipboard())
        check("... and a notification tells it",
              wait_for(lambda: any(str(c[2][3]) == "kakikae: 引用" for c in notes.GetCalls() if c[1] == "Notify"), 5),
              notes.GetCalls())
        portal.EmitSignal(IFACE, "Activated", "osta{sv}", [dbus.ObjectPath("/other/session"), "run:引用",
                                                          dbus.UInt64(0), dbus.Dictionary({}, signature="sv")])
        check("another session's Activated is not ours", not wait_for(lambda: clipboard() != "> one\n> two", 1),
              clipboard())
    finally:
        end_session(home, x, window)
        portal_server.terminate()
        notifier.terminate()

finish("portal shortcut tests")
