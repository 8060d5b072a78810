#!/usr/bin/env python3
"""Walks the window program's accessible tree as a screen reader sees it, over AT-SPI.

Run inside a session D-Bus and an X server (atspi_walk.sh sets both up). Starts the program
on the simulator with a scenario that sets OV after a while, then checks that every control
on every page is named, that the OV lamp reads its state as it changes, and that toggling
"Scan" and "FS Bit Set" through the accessibility interface does what a click does, as the
bus trace shows.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

PROGRAM = sys.argv[1]
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_SCROLL_BAR,
    pyatspi.ROLE_LIST, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SLIDER,
}
failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text)


def find_app(timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "varenthal":
                return app
        time.sleep(0.5)
    return None


def walk(node, depth=0):
    yield node
    if depth > 40:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def labelled(node):
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                return True
    except Exception:
        pass
    return False


def find(app, role, name=None, startswith=None):
    for node in walk(app):
        if node.getRole() != role:
            continue
        if name is not None and node.name != name:
            continue
        if startswith is not None and not node.name.startswith(startswith):
            continue
        return node
    return None


def do_action(node, wanted):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == wanted:
            return action.doAction(i)
    raise RuntimeError("no action %s on %s" % (wanted, node.name))


def trace_lines(path):
    with open(path, encoding="utf-8") as f:
        return [line.split(" ", 1)[1].strip() for line in f if " " in line]


def main():
    work = tempfile.mkdtemp(prefix="atspi-walk-")
    trace = os.path.join(work, "trace")
    scenario = os.path.join(work, "ov.txt")
    with open(scenario, "w", encoding="utf-8") as f:
        f.write("6000 ov on\n")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=work)
    proc = subprocess.Popen([PROGRAM, "--adapter", "sim", "--trace", trace,
                             "--sim-scenario", scenario], env=env)
    try:
        app = find_app()
        if app is None:
            fail("the program does not show up on the accessibility bus")
            return
        time.sleep(3)  # splash and load step
        lamp = find(app, pyatspi.ROLE_LABEL, startswith="OV: ")
        if lamp is None:
            fail("no lamp object named 'OV: ...'")
        else:
            first = lamp.name
            end = time.time() + 15
            while time.time() < end and lamp.name != "OV: set":
                time.sleep(0.3)
            if first != "OV: clear" or lamp.name != "OV: set":
                fail("the OV lamp read %r, then %r" % (first, lamp.name))

        tabs = [n for n in walk(app) if n.getRole() == pyatspi.ROLE_PAGE_TAB]
        if len(tabs) < 3:
            fail("fewer than three page tabs: %d" % len(tabs))
        counted = named = 0
        for tab in tabs:
            do_action(tab, "press")
            time.sleep(0.8)
            for node in walk(app):
                if node.getRole() not in CONTROL_ROLES:
                    continue
                states = node.getState()
                if not states.contains(pyatspi.STATE_SHOWING):
                    continue
                counted += 1
                if node.name.strip() or labelled(node):
                    named += 1
                else:
                    fail("unnamed %s (tab %s)" % (node.getRoleName(), tab.name))
        print("named %d of %d controls" % (named, counted))
        if counted < 60:
            fail("only %d controls found" % counted)

        # The Registers page's "Scan": toggled off, the scan reads 0x06..0x0A no more.
        scan = find(app, pyatspi.ROLE_CHECK_BOX, name="Scan")
        do_action(scan, "toggle")
        time.sleep(0.5)
        mark = len(trace_lines(trace))
        time.sleep(3.0)
        late = trace_lines(trace)[mark:]
        scanned = [l for l in late if l.startswith(("read 06", "read 07", "read 0A"))]
        if not scan.getState().contains(pyatspi.STATE_CHECKED) and not scanned:
            print("Scan toggled off: no scan reads")
        else:
            fail("after toggling Scan off: %s" % scanned[:3])
        do_action(scan, "toggle")
        time.sleep(2.5)
        if not [l for l in trace_lines(trace)[mark:] if l.startswith("read 0A")]:
            fail("toggling Scan on again does not restart the scan")

        # "FS Bit Set" on the EEPROM page writes OUTPUT_CNTRL bit 7 as a click does.
        fs = find(app, pyatspi.ROLE_CHECK_BOX, startswith="FS Bit Set")
        mark = len(trace_lines(trace))
        do_action(fs, "toggle")
        time.sleep(0.5)
        writes = [l for l in trace_lines(trace)[mark:] if l.startswith("write 01")]
        if len(writes) != 1 or not (int(writes[0].split()[2], 16) & 0x80):
            fail("toggling FS wrote %s" % writes)
        else:
            print("FS toggled: %s" % writes[0])
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()


main()
sys.exit(1 if failures else 0)
