#!/usr/bin/python3
"""The main window as an assistive tool reads it, for bench/soak:
  window.py ready       waits until the main window shows
  window.py dropouts    prints the dropouts the status bar reports (0 while it shows none)
  window.py finished    waits until the recording has ended (Record is enabled again)
Exit 1 when what is looked for does not come within the deadline."""
import re
import sys
import time

import pyatspi

APP = "Quorvin Sound Recorder"
RECORD = "Record Ctrl+R"
DEADLINE = 60.0


def wait_for(what, timeout=DEADLINE):
    end = time.time() + timeout
    while time.time() < end:
        try:
            found = what()
        except Exception:  # the tree changes under us: look again
            found = None
        if found is not None:
            return found
        time.sleep(0.2)
    return None


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def main_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP:
            for w in app:
                if w is not None and w.getRole() == pyatspi.ROLE_FRAME and \
                        w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
    return None


def find(window, name, role):
    for acc in walk(window):
        if acc.getRole() == role and acc.name == name:
            return acc
    return None


def main():
    what = sys.argv[1]
    window = wait_for(main_window)
    if window is None:
        print(f"soak: the main window of {APP} does not show")
        return 1
    if what == "ready":
        return 0
    if what == "dropouts":
        label = wait_for(lambda: find(window, "Dropouts", pyatspi.ROLE_LABEL), 10)
        if label is None:
            print("soak: no Dropouts panel in the status bar")
            return 1
        shown = label.getState().contains(pyatspi.STATE_SHOWING)
        text = label.queryText().getText(0, -1) if shown else ""
        count = re.search(r"\d+", text)
        print(count.group(0) if count else "0")
        return 0
    if what == "finished":
        button = wait_for(lambda: find(window, RECORD, pyatspi.ROLE_PUSH_BUTTON), 10)
        done = button is not None and wait_for(
            lambda: True if button.getState().contains(pyatspi.STATE_SENSITIVE) else None)
        if not done:
            print("soak: the recording did not end")
            return 1
        return 0
    print(f"usage: {sys.argv[0]} ready|dropouts|finished")
    return 2


if __name__ == "__main__":
    sys.exit(main())
