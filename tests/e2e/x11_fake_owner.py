#!/usr/bin/env python3
"""An X clipboard owner that misbehaves, for the fault tests: "silent" takes
the clipboard and never answers; "dies-mid-incr" offers a big text in parts
and exits after the first part. Prints "ready" once it owns the clipboard."""
import sys

from Xlib import X, Xatom, display
from Xlib.protocol import event

mode = sys.argv[1]
d = display.Display()
w = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
clipboard = d.intern_atom("CLIPBOARD")
targets = d.intern_atom("TARGETS")
utf8 = d.intern_atom("UTF8_STRING")
incr = d.intern_atom("INCR")
w.set_selection_owner(clipboard, X.CurrentTime)
d.flush()
print("ready", flush=True)

transfers = {}
while True:
    e = d.next_event()
    if mode == "silent" or e.type == X.SelectionClear:
        if e.type == X.SelectionClear:
            sys.exit(0)
        continue
    if e.type == X.SelectionRequest:
        prop = e.property or e.target
        if e.target == targets:
            e.requestor.change_property(prop, Xatom.ATOM, 32, [targets, utf8])
        elif e.target == utf8:
            e.requestor.change_attributes(event_mask=X.PropertyChangeMask)
            e.requestor.change_property(prop, incr, 32, [10_000_000])
            transfers[(e.requestor.id, prop)] = e.requestor
        else:
            prop = X.NONE
        e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                     target=e.target, property=prop))
        d.flush()
    elif e.type == X.PropertyNotify and e.state == X.PropertyDelete and (e.window.id, e.atom) in transfers:
        e.window.change_property(e.atom, utf8, 8, b"x" * 100_000)
        d.flush()
        sys.exit(0)  # gone in the middle of the transfer
