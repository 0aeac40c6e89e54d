"""Starts the program with its accessibility bridge on and checks, through AT-SPI, that every
control of the main window has a name, that the buttons describe themselves, and that the
language switch is a checkable button that a screen reader can press. Prints one line per
check and closes with "N passed, M failed"; exits 1 when a check failed."""

import os
import subprocess
import sys
import time

import pyatspi

PROGRAM = sys.argv[1]
MAIN_TITLE = "Orvessa - Filvane 1.1.2"
# Rows and cells of these are named by their own text; the walk does not go into them.
OPAQUE_ROLES = {pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE,
                pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST_BOX}

results = []


def check(what, ok, detail=""):
    results.append(ok)
    print(("PASS " if ok else "FAIL ") + what + ("" if ok or not detail else ": " + detail))


def wait_for(find, seconds=15.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    return None


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # a node that went away while walking
        return []


def walk(node, path=""):
    for child in children(node):
        if child is None:
            continue
        here = path + "/" + (child.getRoleName() or "?")
        yield child, here
        if child.getRole() not in OPAQUE_ROLES:
            yield from walk(child, here)


def find_named(root, name):
    for node, _ in walk(root):
        if node.name == name:
            return node
    return None


def main_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for window in children(app):
            if window is not None and window.name == MAIN_TITLE:
                return window
    return None


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "press", "Toggle", "toggle", "click"):
        if wanted in names:
            return action.doAction(names.index(wanted))
    raise RuntimeError("no press action among %s" % names)


def main():
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    program = subprocess.Popen([PROGRAM], env=env)
    try:
        window = wait_for(main_window)
        check("the main window is on the accessibility bus", window is not None)
        if window is None:
            return
        unnamed = [path for node, path in walk(window)
                   if node.getRole() != pyatspi.ROLE_FILLER and not node.name.strip()]
        check("every control has a name", not unnamed, " ".join(unnamed))
        controls = sum(1 for _ in walk(window))
        check("the walk found the controls (%d)" % controls, controls >= 10)

        for name in ("Read", "Clear", "Rename", "Options", "About", "Exit", "Files read",
                     "New names", "No folder listed"):
            check("a control named '%s'" % name, find_named(window, name) is not None)
        read = find_named(window, "Read")
        check("Read describes itself with its key",
              read is not None and read.description == "Read file names (Ctrl+O)",
              read.description if read else "")

        switch = find_named(window, "Language: English")
        check("the language switch is named 'Language: English'", switch is not None)
        if switch is None:
            return
        states = switch.getState()
        check("the switch is a checkable button", switch.getRole() in
              (pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX), switch.getRoleName())
        check("the switch is checked in English", states.contains(pyatspi.STATE_CHECKED))
        check("the switch describes itself with its key",
              switch.description == "Change language (F12)", switch.description)
        press(switch)
        hungarian = wait_for(lambda: find_named(window, "Nyelv: magyar"), 5)
        check("pressing it switches to Hungarian", hungarian is not None)
        if hungarian is not None:
            check("and it is no longer checked",
                  not hungarian.getState().contains(pyatspi.STATE_CHECKED))
            check("the buttons speak Hungarian", find_named(window, "Beolvas") is not None)
            check("the lists speak Hungarian",
                  find_named(window, "Beolvasott file-ok") is not None)
            press(hungarian)
            check("pressing it again switches back",
                  wait_for(lambda: find_named(window, "Language: English"), 5) is not None)
    finally:
        program.terminate()
        program.wait(10)
        launcher.terminate()
        launcher.wait(10)
        passed = sum(results)
        print("%d passed, %d failed" % (passed, len(results) - passed))


if __name__ == "__main__":
    main()
    sys.exit(0 if results and all(results) else 1)
