#!/usr/bin/python3
"""The program as an assistive tool sees it: through AT-SPI, find the main
window, open every window its buttons open, and check that each shows with
every control named; then close it. Exit 0 when all is well, 1 otherwise."""
import subprocess
import sys
import time

import pyatspi

APP = sys.argv[1]
BUTTONS = sys.argv[2:]
DEADLINE = 20.0

# Roles a user acts on or reads a value from: each needs a name.
CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_LIST,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_SCROLL_BAR,
}


def wait_for(what, timeout=DEADLINE):
    end = time.time() + timeout
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    return None


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP:
            return app
    return None


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def windows(app):
    return [w for w in app if w is not None and showing(w)]


def unnamed(window):
    bad = []
    for acc in walk(window):
        if acc.getRole() in CONTROLS and showing(acc) and not acc.name.strip():
            # A scroll bar belongs to its list or text box, and the text
            # part of a spin box or combo box to the named box around it.
            if acc.getRole() == pyatspi.ROLE_SCROLL_BAR:
                continue
            if acc.parent.getRole() in (pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_COMBO_BOX) \
                    and acc.parent.name.strip():
                continue
            bad.append(f"{acc.getRoleName()} in {acc.parent.getRoleName()} '{acc.parent.name}'")
    return bad


def press(acc):
    """Focus the control and press space, as a keyboard user would; an action
    call would wait for a modal window to close."""
    acc.queryComponent().grabFocus()
    time.sleep(0.3)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "space"], check=True)


def main():
    app = wait_for(application)
    if app is None:
        print(f"atspi: {APP} not found on the accessibility bus")
        return 1
    main_windows = wait_for(
        lambda: [w for w in windows(app) if w.getRole() == pyatspi.ROLE_FRAME])
    if not main_windows:
        print("atspi: the main window does not show")
        return 1
    main_window = main_windows[0]
    # A message at start-up (no sound server, say) would hold every window.
    for w in windows(app):
        if w.getRole() == pyatspi.ROLE_ALERT:
            texts = [a.name for a in walk(w) if a.getRole() == pyatspi.ROLE_LABEL]
            print(f"atspi: a message shows at start-up: {texts}")
            return 1
    failures = []
    problems = unnamed(main_window)
    if problems:
        failures.append(f"main window '{main_window.name}': unnamed {problems}")
    print(f"atspi: main window '{main_window.name}' checked")

    for caption in BUTTONS:
        buttons = [a for a in walk(main_window)
                   if a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == caption]
        if not buttons:
            failures.append(f"no button '{caption}' in the main window")
            continue
        before = {w.name for w in windows(app)}
        press(buttons[0])
        opened = wait_for(lambda: [w for w in windows(app) if w.name not in before])
        if not opened:
            failures.append(f"'{caption}' opened no window")
            continue
        window = opened[0]
        problems = unnamed(window)
        if problems:
            failures.append(f"'{window.name}' (from '{caption}'): unnamed {problems}")
        print(f"atspi: '{caption}' opened '{window.name}', {len(problems)} unnamed controls")
        subprocess.run(["xdotool", "key", "--clearmodifiers", "Escape"], check=True)
        if not wait_for(lambda: window.name not in {w.name for w in windows(app)}, 10):
            failures.append(f"'{window.name}' did not close on Escape")
            break
    for f in failures:
        print("atspi: FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
