"""The checks of a11y_test.py, against the program on the accessibility bus. xdotool
presses the keys (XTest on the private display) and gives a window the focus, as there
is no window manager."""

import subprocess

import pyatspi
from gi.repository import GLib

from a11y_env import wait_for

USERS_ROW = "UserName Administrator, Acct.Expires Never, Max.Stg. -1"


def pump():
    """Delivers the accessibility events that have arrived."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def role(node):
    return node.getRoleName()


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def walk(node):
    yield node
    for child in children(node):
        if child is not None:
            yield from walk(child)


def find(root, predicate):
    for node in walk(root):
        if predicate(node):
            return node
    return None


def has(node, state):
    return node.getState().contains(state)


def labels_of(node):
    """Names of the objects that label `node` (its labelled-by relation)."""
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def line(node):
    """One object as a screen reader user meets it: role, name, label, value, states."""
    text = f"{role(node)} '{node.name}'"
    labels = labels_of(node)
    if labels:
        text += " labelled by " + ", ".join(f"'{n}'" for n in labels)
    if role(node) == "text":
        t = node.queryText()
        text += f" text '{t.getText(0, t.characterCount)}'"
    if node.description:
        text += f" description '{node.description}'"
    flags = [name for name, st in (("focusable", pyatspi.STATE_FOCUSABLE), ("selectable", pyatspi.STATE_SELECTABLE),
                                   ("checked", pyatspi.STATE_CHECKED), ("focused", pyatspi.STATE_FOCUSED))
             if has(node, st)]
    if flags:
        text += " [" + ", ".join(flags) + "]"
    return text


def print_tree(node, depth=0, rows=6):
    print("  " * depth + line(node))
    kids = children(node)
    if role(node) in ("list", "table") and len(kids) > rows:
        for child in kids[:rows - 1]:
            print_tree(child, depth + 1, rows)
        print("  " * (depth + 1) + f"... {len(kids) - rows} more rows ...")
        print_tree(kids[-1], depth + 1, rows)
        return
    for child in kids:
        print_tree(child, depth + 1, rows)


class Session:
    def __init__(self, name, env):
        self.env = env
        desktop = pyatspi.Registry.getDesktop(0)

        def app():
            return next((a for a in children(desktop) if a is not None and a.name == name), None)

        self.app = wait_for(app, 30, f"{name} on the accessibility bus")
        self.window = self.top_level("Vellox")
        self.failures = []

    def top_level(self, title, seconds=20):
        return wait_for(lambda: next((w for w in children(self.app) if w is not None and w.name == title), None),
                        seconds, f"the window '{title}'")

    def focus_window(self, title):
        subprocess.run(["xdotool", "search", "--name", f"^{title}$", "windowfocus", "--sync"], env=self.env,
                       check=True, timeout=10, capture_output=True)

    def key(self, keys):
        subprocess.run(["xdotool", "key", keys], env=self.env, check=True, timeout=10, capture_output=True)

    def focused(self, root=None):
        # A combo box's closed popup calls its current item focused: that is no focus.
        return find(root or self.window, lambda n: has(n, pyatspi.STATE_FOCUSED) and
                    not (role(n) == "list item" and role(n.parent.parent) == "combo box"))

    def check(self, what, ok, detail=""):
        print(("PASS " if ok else "FAIL ") + what + ("" if ok else f": {detail}"))
        if not ok:
            self.failures.append(what)

    def control(self, role_name, label=None, name=None, root=None):
        return find(root or self.window, lambda n: role(n) == role_name and (label is None or label in labels_of(n))
                    and (name is None or n.name == name))

    def results(self):
        return find(self.window, lambda n: role(n) == "list" and role(n.parent) != "combo box")

    def tab_to(self, wanted):
        """Presses Tab until a control that `wanted` accepts has the focus."""
        for _ in range(10):
            if self.focused() is not None and wanted(self.focused()):
                return
            last = identity(self.focused())
            self.key("Tab")
            try:
                wait_for(lambda: identity(self.focused()) != last, 5, "Tab")
            except TimeoutError:
                pass
        raise TimeoutError("Tab never reached the control")


DISPLAY_TYPES = ("FILES", "GROUPS", "NETWORK", "SERVERS", "USERS")


def is_display_box(node):
    return role(node) == "combo box" and node.name in DISPLAY_TYPES


def is_result_list(node):
    return identity(node) == "list"


def identity(node):
    """A control by what names it; the result list, or a row of it, is "list"."""
    if node is None:
        return None
    if role(node) == "list item" or (role(node) == "list" and role(node.parent) != "combo box"):
        return "list"
    labels = labels_of(node)
    return f"{role(node)} {labels[0] if labels else node.name}"


def browse(s):
    """Browses with the Enter key from where the focus is; waits for the new list."""
    def snapshot():
        lst = s.results()
        first = lst.getChildAtIndex(0).name if lst.childCount > 0 else None
        return lst.name, lst.childCount, first

    before = snapshot()
    s.key("Return")
    browse_button = s.control("push button", name="Browse")
    wait_for(lambda: snapshot() != before and s.results().childCount > 1 and
             has(browse_button, pyatspi.STATE_SHOWING), 30, "the browse's list")
    return s.results()


def check_main_window(s):
    s.check("Server box is a combo box labelled 'Server'", s.control("combo box", label="Server") is not None)
    s.check("Display box is a combo box labelled 'Display'", s.control("combo box", label="Display") is not None)
    entries = s.control("text", label="Entries Found")
    s.check("Entries Found is a text named and labelled 'Entries Found'",
            entries is not None and entries.name == "Entries Found", entries and line(entries))
    for name in ("Browse", "Export", "Exit"):
        s.check(f"push button '{name}'", s.control("push button", name=name) is not None)
    lst = s.results()
    s.check("result list is a named list", lst is not None and lst.name != "", lst and line(lst))


def check_tab_order(s):
    s.focus_window("Vellox")
    cycle = ["combo box Server", "combo box Display", "push button Browse", "push button Export",
             "text Entries Found", "push button Exit", "list"]
    seen = [identity(wait_for(s.focused, 10, "a focused control"))]
    for _ in cycle:
        last = seen[-1]
        s.key("Tab")
        try:
            now = wait_for(lambda: identity(s.focused()) if identity(s.focused()) != last else None, 5, "Tab")
        except TimeoutError:
            now = last
        seen.append(now)
    # Wherever the focus starts, Tab goes round the window in this order.
    start = cycle.index(seen[0]) if seen[0] in cycle else 0
    expected = (cycle[start:] + cycle[:start]) * 2
    s.check("Tab order follows the screen", seen == expected[:len(seen)], f"{seen}")


def check_users_list(s):
    # Enter on the Display box browses (Browse is the default button); the focus stays.
    s.focus_window("Vellox")
    s.tab_to(is_display_box)
    news = []
    listener = lambda e: news.append((e.source.name, e.source.description))  # noqa: E731
    pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-description")
    lst = browse(s)
    s.check("list named after what it shows", lst.name == "USERS of \\\\VELLOX-PDC", lst.name)
    s.check("focus stays on the Display box through a browse", is_display_box(s.focused()), identity(s.focused()))
    rows = children(lst)
    s.check("heading is a column header, not a row", role(rows[0]) == "table column header" and
            not has(rows[0], pyatspi.STATE_SELECTABLE), line(rows[0]))
    for i in (1, len(rows) - 1):
        s.check(f"separator {i} is not a selectable row", role(rows[i]) == "separator" and
                not has(rows[i], pyatspi.STATE_SELECTABLE) and not has(rows[i], pyatspi.STATE_FOCUSABLE),
                line(rows[i]))
    s.check("a USERS row reads as its fields", rows[2].name == USERS_ROW, rows[2].name)
    items = [r for r in rows if role(r) == "list item"]
    entries = s.control("text", label="Entries Found") or s.control("text")
    t = entries.queryText()
    count = t.getText(0, t.characterCount)
    s.check("the end of the browse tells the count", count == str(len(items)) and
            entries.description == f"{len(items)} entries found", line(entries))
    told = ("Entries Found", f"{len(items)} entries found")
    try:
        wait_for(lambda: pump() or told in news, 5, "the news of the browse's end")
    except TimeoutError:
        pass
    pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-description")
    s.check("the end of the browse is announced as news of Entries Found", told in news, news)
    # The keyboard lands on the first row, never on the heading or a separator.
    s.tab_to(is_result_list)
    s.key("Down")
    s.key("Up")
    s.key("Up")
    current = wait_for(lambda: find(lst, lambda n: role(n) == "list item" and has(n, pyatspi.STATE_FOCUSED)), 5,
                       "a focused row")
    s.check("Up from the first row stays on it", current.name == USERS_ROW, line(current))


def close(s, title):
    s.focus_window(title)
    s.key("Escape")
    wait_for(lambda: all(w is None or w.name != title for w in children(s.app)), 10, f"'{title}' to close")


def check_dialog_lists(s, keys, title, labels):
    s.key(keys)
    dialog = s.top_level(title)
    for label in labels:
        lst = s.control("list", label=label, root=dialog)
        s.check(f"{title}: list named and labelled '{label}'", lst is not None and lst.name == label,
                lst and line(lst))
    chooser = s.control("push button", name="Select Group", root=dialog)
    if chooser is not None:
        chooser.queryAction().doAction(0)
        select = s.top_level("Select Group")
        lst = s.control("list", root=select)
        s.check("Select Group: its list is named by the dialog", lst is not None and lst.name == "Select Group",
                lst and line(lst))
        close(s, "Select Group")
    close(s, title)
    s.focus_window("Vellox")


def check_user_properties(s):
    # The focus is on a USERS row: Shift+F10 opens its account.
    check_dialog_lists(s, "shift+F10", "User Properties", ["Member of", "Not a member of"])


def check_groups(s):
    # To the Display box, GROUPS by its first letter, Enter browses.
    s.tab_to(is_display_box)
    s.key("g")
    lst = browse(s)
    s.check("GROUPS list named after what it shows", lst.name == "GROUPS of \\\\VELLOX-PDC", lst.name)
    s.tab_to(is_result_list)
    s.key("Down")
    wait_for(lambda: find(lst, lambda n: role(n) == "list item" and has(n, pyatspi.STATE_SELECTED)), 5,
             "a selected group")
    check_dialog_lists(s, "Menu", "Group Properties", ["Members:", "Not members:"])


def check_settings(s):
    s.key("alt+t")
    s.key("s")
    sheet = s.top_level("Settings")
    pages = {"Export": ["TAB-delimited", "Comma-Separated", "Clipboard"],
             "General": ["Lowest", "Below Normal", "Normal", "Above Normal", "Highest"]}
    groups = {"Export": "Export Options", "General": "Browse Priority"}
    for page, radios in pages.items():
        tab = find(sheet, lambda n: role(n) == "page tab" and n.name == page)
        tab.queryAction().doAction(0)
        found = [wait_for(lambda: find(sheet, lambda n: n.name == r and role(n) in ("radio button", "check box")),
                          10, f"'{r}'") for r in radios]
        s.check(f"Settings {page}: options are radio buttons", all(role(f) == "radio button" for f in found),
                [line(f) for f in found])
        s.check(f"Settings {page}: one option is chosen",
                sum(has(f, pyatspi.STATE_CHECKED) for f in found) == 1, [line(f) for f in found])
        s.check(f"Settings {page}: the options say their group",
                all(f.description == groups[page] for f in found), [line(f) for f in found])
    close(s, "Settings")
    s.focus_window("Vellox")


def run(name, env, dump):
    s = Session(name, env)
    if dump:
        s.focus_window("Vellox")
        browse(s)
        print_tree(s.window)
        return 0
    steps = [check_main_window, check_tab_order, check_users_list, check_user_properties, check_groups,
             check_settings]
    for step in steps:
        try:
            step(s)
        except Exception as e:
            s.check(getattr(step, "__name__", "step"), False, f"{type(e).__name__}: {e}")
            # What the step left open goes before the next one starts.
            for title in ("User Properties", "Group Properties", "Settings"):
                if any(w is not None and w.name == title for w in children(s.app)):
                    s.focus_window(title)
                    s.key("Escape")
    print(f"{len(s.failures)} failed" if s.failures else "all passed")
    return 1 if s.failures else 0
