#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Walks the running program's accessibility tree as a screen reader does and acts through
# it: every control must say what it is and what it is called, and its actions must change
# the real setting (read back from the preferences file). Usage: atspiwalk.py CONFIG_DIR
import json
import os
import sys
import time

import gi
import warnings

warnings.simplefilter("ignore", DeprecationWarning)

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

config = sys.argv[1]
R = Atspi.Role
S = Atspi.StateType
# The roles a control someone can act on may have.
CONTROL_ROLES = {R.PUSH_BUTTON, R.CHECK_BOX, R.RADIO_BUTTON, R.PAGE_TAB, R.SLIDER, R.ENTRY,
                 R.TEXT, R.TOGGLE_BUTTON, R.MENU_ITEM, R.SCROLL_BAR}
problems = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(seconds, check, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.1)
    fail(what)


def fresh(node):
    node.clear_cache()
    return node


def children(node):
    fresh(node)
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]


def walk(node):
    yield node
    for child in children(node):
        yield from walk(child)


def actions(node):
    try:
        return [node.get_action_name(i) for i in range(node.get_n_actions())]
    except Exception:
        return []


def state(node, kind):
    return fresh(node).get_state_set().contains(kind)


def describe(node):
    return "%s %r" % (node.get_role_name(), node.get_name())


def preferences():
    try:
        with open(os.path.join(config, "quietlane", "preferences.json")) as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def act(node, name):
    index = actions(node).index(name)
    node.do_action(index)


def find(root, role, name=None):
    for node in walk(root):
        if node.get_role() == role and (name is None or name(node.get_name() or "")):
            return node
    return None


def application():
    desktop = Atspi.get_desktop(0)
    for app in children(desktop):
        if (app.get_name() or "").lower() == "quietlane":
            return app
    return None


app = wait_for(30, application, "quietlane is not on the accessibility bus")
settings = wait_for(15, lambda: next((w for w in children(app) if find(w, R.PAGE_TAB_LIST)), None),
                    "the settings window is not in the application's tree")
if settings.get_role() not in (R.WINDOW, R.DIALOG, R.FRAME):
    problems.append("settings window is a %s" % settings.get_role_name())


def audit(root):
    controls = 0
    for node in walk(root):
        names = [a for a in actions(node) if a != "SetFocus"]
        interactive = names or node.get_role() in CONTROL_ROLES
        if not interactive:
            continue
        controls += 1
        if node.get_role() not in CONTROL_ROLES:
            problems.append("control with role %s" % describe(node))
        if not (node.get_name() or "").strip():
            problems.append("control without a name: %s" % describe(node))
    return controls


# The page tabs: one selected, and pressing another selects it.
tabs = [n for n in children(find(settings, R.PAGE_TAB_LIST)) if n.get_role() == R.PAGE_TAB]
if len(tabs) != 3 or sum(state(t, S.SELECTED) for t in tabs) != 1:
    problems.append("tabs: %d, selected %d" % (len(tabs), sum(state(t, S.SELECTED) for t in tabs)))
counted = audit(settings)

# Switches: Toggle changes the setting, and the switch then shows it.
hud = [n for n in walk(settings) if n.get_role() == R.CHECK_BOX]
toggled = 0
for box in hud:
    before = state(box, S.CHECKED)
    act(box, "Toggle")
    if wait_for(5, lambda: state(box, S.CHECKED) != before or "gone", "no answer") == "gone":
        problems.append("Toggle did not change %s" % describe(box))
    toggled += 1
wait_for(5, lambda: preferences().get("showHUD") is False, "Toggle did not switch the HUD off")

# An expanding row: Press opens its list, whose options are radio items.
theme = find(settings, R.PUSH_BUTTON, lambda n: n.startswith(("Тема", "Theme")))
if not theme or not state(theme, S.EXPANDABLE) or state(theme, S.EXPANDED):
    problems.append("the theme row does not say it is collapsed")
act(theme, "Press")
wait_for(5, lambda: state(theme, S.EXPANDED), "the theme row does not say it is expanded")
radios = wait_for(5, lambda: [n for n in walk(settings) if n.get_role() == R.RADIO_BUTTON
                              and state(n, S.SHOWING)], "the open theme list shows no radio items")
counted += audit(settings)
dark = next(r for r in radios if r.get_name() in ("Тёмная", "Dark"))
act(dark, "Toggle")
wait_for(5, lambda: preferences().get("appTheme") == "dark",
         "Toggle on an option chose nothing: %s, %s" % ([describe(r) for r in radios],
                                                        preferences()))

# The widget page: its slider reads and sets its value.
act(tabs[2], "Press")
wait_for(5, lambda: state(tabs[2], S.SELECTED), "pressing the widget tab did not select it")
slider = wait_for(5, lambda: find(settings, R.SLIDER,
                                  lambda n: n.startswith(("Прозрачность фона", "Background"))),
                  "no background slider on the widget page")
counted += audit(settings)
if not slider.get_name() or abs(slider.get_current_value() - 0.6) > 0.01:
    problems.append("slider %s reads %s" % (describe(slider), slider.get_current_value()))
slider.set_current_value(0.5)
wait_for(5, lambda: abs(preferences().get("widgetBackgroundOpacity", 0) - 0.5) < 0.001,
         "SetValue on the slider changed nothing")

# The shortcut page: the recorder is a named field with its text and a clear action.
act(tabs[1], "Press")
entry = wait_for(5, lambda: find(settings, R.ENTRY) or find(settings, R.TEXT),
                 "no shortcut field on the shortcut page")
counted += audit(settings)
text = entry.get_text(0, -1) if hasattr(entry, "get_text") else Atspi.Text.get_text(entry, 0, -1)
if not entry.get_name() or not text or len(actions(entry)) < 2:
    problems.append("shortcut field %s, text %r, actions %s" % (describe(entry), text,
                                                                  actions(entry)))

# The dropdown, opened from the tray by the caller, is one of the application's windows.
print("open the dropdown", flush=True)
dropdown = wait_for(15, lambda: next((w for w in children(app) if w != settings and
                                      find(w, R.CHECK_BOX)), None),
                    "the dropdown is not in the application's tree")
counted += audit(dropdown)
box = find(dropdown, R.CHECK_BOX)
before = preferences().get("widgetVisible", True)
act(box, "Toggle")
wait_for(5, lambda: preferences().get("widgetVisible", True) != before,
         "Toggle on the dropdown's widget switch changed nothing")

print("controls checked: %d, switches toggled: %d, problems: %d" % (counted, toggled,
                                                                    len(problems)))
for problem in problems:
    print("FAIL: " + problem, file=sys.stderr)
sys.exit(1 if problems else 0)
