# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader hears from Daywheel, read through AT-SPI.

accessibility.py APP FOLDER: starts APP in FOLDER and checks, in the main
window and in the file window that Save opens, that every control that takes
the focus has a name, that BEGIN and END say their time, and that the dial
says the day in words, before and after SET paints 06:00-08:00. Prints how
many focusable controls have names; exits 1 on the first fault.
"""
import re
import subprocess
import sys
import time

import pyatspi

app_path, folder = sys.argv[1], sys.argv[2]


def fail(text):
    print("FAIL:", text)
    sys.exit(1)


def wait_for(what, probe, limit=20):
    # The registry fills in late; a child may vanish while it is read.
    end = time.monotonic() + limit
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail(what)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Daywheel":
            return app
    return None


def window(title):
    app = program()
    for w in app or []:
        if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
            return w
    return None


def controls(frame):
    """The focusable controls shown on frame, as (role, name) pairs."""
    out = []
    for node in walk(frame):
        states = node.getState()
        if node is not frame and states.contains(pyatspi.STATE_FOCUSABLE) \
                and states.contains(pyatspi.STATE_SHOWING) \
                and node.getRole() not in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_MENU_ITEM):
            out.append((node.getRoleName(), node.name.strip(), node))
    return out


def check_names(frame, least):
    found = controls(frame)
    named = [c for c in found if c[1]]
    print(f"{frame.name}: {len(named)} of {len(found)} focusable controls named:",
          ", ".join(f"{role} '{name}'" for role, name, _ in found))
    if len(found) < least:
        fail(f"{frame.name}: only {len(found)} focusable controls, expected {least}")
    if len(named) != len(found):
        fail(f"{frame.name}: unnamed: " + ", ".join(r for r, n, _ in found if not n))
    return found


def press(frame, name):
    for _, n, node in controls(frame):
        if n == name:
            node.queryAction().doAction(0)
            return
    fail(f"no control named '{name}' on {frame.name}")


proc = subprocess.Popen([app_path], cwd=folder)
try:
    main = wait_for("the main window is not on the accessibility bus", lambda: window("Daywheel"))
    found = check_names(main, 12)
    # BEGIN and END say the time they stand at, as hh:mm.
    for role, name, node in found:
        if name in ("BEGIN", "END"):
            value = int(node.queryValue().currentValue)
            spoken = f"{value * 15 // 60:02}:{value * 15 % 60:02}"
            if role != "scroll bar" or node.description != spoken:
                fail(f"{name} ({role}) at {value} says '{node.description}', expected '{spoken}'")
            print(f"{name}: value {value} said as {node.description}")
    if sorted(n for _, n, _ in found if n in ("BEGIN", "END")) != ["BEGIN", "END"]:
        fail("no scroll bars named BEGIN and END")

    def dial_says(words):
        return lambda: main.description == words
    wait_for(f"the dial says '{main.description}', expected 'off all day'", dial_says("off all day"), 5)
    press(main, "SET")
    wait_for(f"after SET the dial says '{main.description}'", dial_says("on 06:00-08:00"), 5)
    print("dial:", main.description)

    press(main, "Save")
    files = wait_for("Save opened no file window", lambda: window("Form2"))
    wait_for("the file window's controls are not all there", lambda: len(controls(files)) >= 6, 5)
    check_names(files, 6)
finally:
    proc.terminate()
    proc.wait(10)
print("passed")
