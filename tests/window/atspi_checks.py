#!/usr/bin/python3
"""What a screen reader learns of the running window through AT-SPI: its role and title, the
label that names each list, the lists' disabled state, and the Toggle action of "Edit Mode"
unlocking them. usage: atspi_checks.py TITLE"""
import sys
import time

import pyatspi

TITLE = sys.argv[1]
LISTS = {"Provider": True, "Number Of Cards": False, "DI Start Address": False,
         "DO Start Address": False}


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def window():
    for app in pyatspi.Registry.getDesktop(0):
        for child in app or []:
            if child is not None and child.name == TITLE:
                return child
    return None


def wait_for(condition, what):
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.1)
    fail(what)


def descendants(node, role):
    return pyatspi.findAllDescendants(node, lambda n: n.getRole() == role)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def lists_by_label(frame):
    found = {}
    for combo in descendants(frame, pyatspi.ROLE_COMBO_BOX):
        for relation in combo.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                found[relation.getTarget(0).name] = combo
    return found


frame = wait_for(window, "no accessible window titled " + TITLE)
role = frame.getRoleName()
if frame.getRole() not in (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG):
    fail("the window's role is " + role)
lists = lists_by_label(frame)
if sorted(lists) != sorted(LISTS):
    fail("lists named by labels: %s" % sorted(lists))
for name, unlocked in LISTS.items():
    if enabled(lists[name]) != unlocked:
        fail("%s: enabled is %s at start" % (name, enabled(lists[name])))

boxes = [b for b in descendants(frame, pyatspi.ROLE_CHECK_BOX) if b.name == "Edit Mode"]
if len(boxes) != 1:
    fail("no check box named Edit Mode")
actions = boxes[0].queryAction()
toggle = [i for i in range(actions.nActions) if actions.getName(i).lower() == "toggle"]
if not toggle:
    fail("Edit Mode has no Toggle action")
for unlocked in (True, False):
    actions.doAction(toggle[0])
    wait_for(lambda: all(enabled(lists[n]) == (unlocked or LISTS[n]) for n in LISTS),
             "the Toggle action left the lists %s" % ("locked" if unlocked else "unlocked"))
print("at-spi: %s \"%s\", lists named by their labels, locked until the Toggle action" %
      (role, frame.name))
