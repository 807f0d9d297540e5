# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader hears, over AT-SPI: run inside dbus-run-session as
#   accessibility.py APP
# Starts its own Xvfb and APP; in the main window, the Dark and away dialog
# and the file window Save opens, every focusable control must have a name,
# BEGIN and END say their time, and the dial its day ("off all day",
# "on 06:00-08:00" after SET).
import os, subprocess, sys, tempfile, time

def fail(text):
    sys.exit("FAIL: " + text)

def wait_for(what, probe, limit=20):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        try:   # the tree fills in late and may change while it is read
            if found := probe():
                return found
        except Exception:
            pass
        time.sleep(0.2)
    fail(what)

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

def window(title):
    for app in pyatspi.Registry.getDesktop(0):
        for w in app if app is not None and app.name == "Daywheel" else []:
            if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
                return w

def controls(frame):   # the focusable controls shown, list entries aside
    return [n for n in walk(frame) if n is not frame and n.getRole() != pyatspi.ROLE_LIST_ITEM
            and all(n.getState().contains(s) for s in (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SHOWING))]

def check_names(frame, least):
    found = wait_for(f"{frame.name} has fewer than {least} controls", lambda: len(controls(frame)) >= least and controls(frame))
    print(f"{frame.name}: {sum(bool(n.name.strip()) for n in found)} of {len(found)} focusable controls named:",
          ", ".join(f"{n.getRoleName()} '{n.name}'" for n in found))
    if not all(n.name.strip() for n in found):
        fail(f"{frame.name}: a control has no name")
    return {n.name: n for n in found}

work = tempfile.mkdtemp()
display_pipe = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display_pipe[1]), "-nolisten", "tcp"], pass_fds=[display_pipe[1]],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    os.environ["DISPLAY"] = ":" + os.read(display_pipe[0], 16).decode().strip()
    import pyatspi   # only now: it finds the accessibility bus through the display
    os.environ.pop("QT_QPA_PLATFORM", None)   # a real X window: offscreen has no AT-SPI
    os.environ.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_RUNTIME_DIR=work)
    # The registry first: a program started while the bus still comes up may stay unlisted.
    wait_for("no accessibility registry", lambda: pyatspi.Registry.getDesktop(0).name is not None)
    app = subprocess.Popen([os.path.abspath(sys.argv[1])], cwd=work)
    main = wait_for("the main window is not on the accessibility bus", lambda: window("Daywheel"))
    named = check_names(main, 12)
    for name in ("BEGIN", "END"):
        bar = named.get(name) or fail(f"no control named {name}")
        v = int(bar.queryValue().currentValue)
        if bar.getRole() != pyatspi.ROLE_SCROLL_BAR or bar.description != f"{v // 4:02}:{v % 4 * 15:02}":
            fail(f"{name} at {v} says '{bar.description}'")
        print(f"{name}: {v} says {bar.description}")
    for press, words in ((None, "off all day"), ("SET", "on 06:00-08:00")):
        if press:
            named[press].queryAction().doAction(0)
        wait_for(f"the dial says '{main.description}', not '{words}'", lambda: main.description == words, 5)
        print("dial:", words)
    named["Dark and away..."].queryAction().doAction(0)
    dialog = check_names(wait_for("Dark and away opened no dialog", lambda: window("Dark and away")), 13)
    dialog["Cancel"].queryAction().doAction(0)
    named["Save"].queryAction().doAction(0)
    check_names(wait_for("Save opened no file window", lambda: window("Form2")), 6)
    app.terminate()
    app.wait(10)
finally:
    xvfb.terminate()
print("passed")
