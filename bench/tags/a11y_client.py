#!/usr/bin/python3
"""An accessibility client as a screen reader connects: it registers for the
events a reader follows and counts them until it is stopped. Prints "ready"
once registered and, at the end, how many events arrived."""
import signal
import sys

import pyatspi
from gi.repository import GLib

count = 0


def on_event(event):
    global count
    count += 1


def stop(*_):
    pyatspi.Registry.stop()
    return False


GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, stop)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGINT, stop)
pyatspi.Registry.registerEventListener(
    on_event, "object:children-changed", "object:state-changed", "object:property-change",
    "object:text-changed", "object:active-descendant-changed", "object:selection-changed",
    "object:row-inserted", "object:model-changed", "focus:")
print("ready", flush=True)
pyatspi.Registry.start()
print("events received: %d" % count, flush=True)
sys.exit(0)
