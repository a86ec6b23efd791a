#!/usr/bin/env python3
"""The system's main road on a simulated device, each program a process of
its own: SpringBoard with the Quiltvane extension shows its home screen, a
small layout is drawn and saved in the application, applied from the
Settings app, and SpringBoard shows the home screen again.

    demo.py BUILD ROOT LOGS

BUILD is a build folder holding the programs (bin/springboard, bin/settings):
scripts/run-demo passes its release build, the tests their own build. ROOT
is a device root that build's install program laid out. Every program reads one
command a line on its standard input and answers each with one line of JSON;
what they log goes to LOGS/<program>.log."""

import json
import math
import os
import plistlib
import re
import subprocess
import sys

import preferences_file

LAYOUT_NAME = "Demo"
# Where the demonstration's icons go on the phone's portrait screen (top-left
# corners, in the editor's full-screen points).
ICON_SPOTS = [(20, 60), (230, 60), (125, 200), (20, 380), (230, 380)]
TUTORIAL_CARDS = ["Welcome", "Quick-Actions", "Icon", "Options-Button", "Add-Icon-Button", "Save-Button", "Grid-Button",
                  "Image-Button", "Orientation", "Grid-View-Welcome", "Reset-Grid-Position", "Change-Grid-Dimensions",
                  "Unlock-All-Icons", "Fill-Grid", "Ignore-Icon-Touches"]


class DemoFailure(Exception):
    pass


class Program:
    """A running program of the device, driven through its standard input."""

    def __init__(self, name, argv, logs):
        self.name = name
        self.log_path = os.path.join(logs, name + ".log")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log, text=True)

    def answer(self, line):
        """The program's answer to a command, whether it succeeded or not."""
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.read_answer(line)

    def read_answer(self, line):
        answer = self.process.stdout.readline()
        if not answer:
            raise DemoFailure("%s ended at \"%s\" (its log: %s)" % (self.name, line, self.log_path))
        return json.loads(answer)

    def command(self, line):
        return self.succeeded(line, self.answer(line))

    def succeeded(self, line, answer):
        if not answer["ok"]:
            raise DemoFailure("%s: %s: %s" % (self.name, line, answer["error"]))
        return answer

    def gesture(self, lines):
        """Commands that must succeed, in one write, which the program
        answers whole before its run loop goes on: a pause of a busy machine
        between a finger's down and its move would be a hold, and the
        icon's sheet would take the finger."""
        self.process.stdin.write("".join(line + "\n" for line in lines))
        self.process.stdin.flush()
        for line in lines:
            self.succeeded(line, self.read_answer(line))

    def dump(self):
        return self.command("dump")["dump"]

    def quit(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write("quit\n")
                self.process.stdin.close()
                self.process.wait(timeout=20)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        self.log.close()


def say(text):
    print(text, flush=True)


def prepare_preferences(root):
    """The application's tutorial cards stand in the way of a driven demo: the
    owner of this device has seen them all. And the home screen starts from
    the stock layout, also on a root an earlier run left "Demo" applied on, so
    that applying it is a change SpringBoard takes up. Every other preference
    stays; a file that cannot be read or written back stops the demonstration
    before any program starts, and is left as it was."""
    def prepare(preferences):
        for card in TUTORIAL_CARDS:
            preferences["Tutorial-" + card] = True
        preferences["CurrentLayout"] = "Default.plist//DEFAULT"
        preferences["EnablePerPageLayouts"] = False
    try:
        preferences_file.update(root, prepare)
    except preferences_file.PreferencesFileError as error:
        raise DemoFailure(str(error))


def home_screen(dump):
    """Every icon of the home screen's pages: name -> (page, slot, x, y)."""
    icons = {}
    for page_index, page in enumerate(dump["springboard"]["pages"]):
        for slot, icon in enumerate(page["icons"]):
            x, y = icon["frame"][:2]
            icons[icon["name"]] = (page_index + 1, slot + 1, x, y)
    return icons


def print_table(before, after, entries):
    say("")
    say("%-14s %-18s %-18s %s" % ("Icon", "Before", "After", "Layout entry (x, y - 20)"))
    say("%-14s %-18s %-18s %s" % ("", "page slot  x,y", "page slot  x,y", ""))
    order = sorted(after, key=lambda name: after[name][:2])
    for name in order:
        def place(entry):
            if entry is None:
                return "-"
            page, slot, x, y = entry
            return "%d  %2d  %4g,%-4g" % (page, slot, x, y)
        page, slot = after[name][:2]
        entry = ""
        if slot <= len(entries):
            x, y = entries[slot - 1]
            entry = "%d, %d" % (x, y - 20)
        say("%-14s %-18s %-18s %s" % (name, place(before.get(name)), place(after[name]), entry))
    say("")


def drawn_entries(application):
    """The entries the application must save for the icons on its editor, in
    its order: each icon's top-left corner in whole points."""
    return [(int(icon["frame"][0]), int(icon["frame"][1])) for icon in application.dump()["editor"]["icons"]]


def draw(application):
    say("Drawing %d icons in the application" % len(ICON_SPOTS))
    default = application.dump()["editor"]["defaultIconFrame"]
    start = (default[0] + default[2] / 2, default[1] + default[3] / 2)
    for index, (x, y) in enumerate(ICON_SPOTS):
        if index > 0:
            application.command("button +")
        end = (x + default[2] / 2, y + default[3] / 2)
        application.gesture(["down %g %g" % start, "move %g %g" % ((start[0] + end[0]) / 2, (start[1] + end[1]) / 2), "move %g %g" % end, "up"])
    return drawn_entries(application)


def save(application):
    """Saves the editor's layout through its Save button as LAYOUT_NAME; a
    layout of that name the application saved before (an earlier run's, or
    one its owner saved in the application) is overwritten when the
    application asks. Answers the name the layout was saved under: the
    application saves beside a file of the name that it did not make, under
    a numbered name, and says which."""
    say("Saving them as \"%s\"" % LAYOUT_NAME)
    application.command("button Save")
    application.command("sheet Save Portrait & Landscape")
    application.command("type " + LAYOUT_NAME)
    application.command("alert Save")
    modals = application.dump()["modalViews"]
    if [modal["title"] for modal in modals] == [LAYOUT_NAME] and "Overwrite" in modals[0].get("buttons", []):
        say("A \"%s\" the application saved (an earlier run's, or your own) is there: overwriting it" % LAYOUT_NAME)
        application.command("alert Overwrite")
        modals = application.dump()["modalViews"]
    titles = [modal["title"] for modal in modals]
    name = LAYOUT_NAME
    if titles == ["Renamed"]:
        numbered = re.search(r"renamed to: (%s\(\d+\))" % re.escape(LAYOUT_NAME), modals[0]["message"])
        if not numbered:
            raise DemoFailure("the application renamed the layout but did not say to what: %s" % modals[0]["message"])
        name = numbered.group(1)
        say("A \"%s\" the application did not make is there: the layout went to \"%s\"" % (LAYOUT_NAME, name))
    elif titles not in (["Saved"], ["Overwritten"]):
        raise DemoFailure("the application did not save the layout: %s" % titles)
    application.command("alert Ok")
    return name


def apply_from_settings(settings, name):
    say("Applying \"%s.plist\" to the home screen in the Settings app" % name)
    settings.command("open Quiltvane")
    # Switched off, the page shows only its master switch.
    enable = [row for row in settings.command("rows")["rows"] if row["label"] == "Enable"]
    if enable and not enable[0].get("value"):
        settings.command("toggle Enable")
    rows = settings.command("rows")["rows"]
    if not any(row["label"] == "Layouts" for row in rows):
        raise DemoFailure("waiting: the Settings page has no layout picker yet (its rows: %s), so nothing can be applied from Settings"
                          % [row["label"] for row in rows])
    settings.command("select Layouts")
    wait_for_page(settings, "Layouts")
    settings.command("rowtitle %s.plist" % name)
    settings.command("sheet Apply to Homescreen")
    wait_for_page(settings, "Apply %s.plist" % name)
    settings.command("rowtitle Homescreen Layout")
    settings.command("back")
    wait_for_page(settings, "Layouts")
    settings.command("baritem Save")


def wait_for_page(settings, title):
    """Runs the Settings app until the page of the title shows."""
    for _ in range(100):
        # A page on its way in shows no table yet.
        if settings.answer("table").get("title") == title:
            return
        settings.command("wait 50")
    raise DemoFailure("the Settings page \"%s\" never showed" % title)


def read_layout(path):
    try:
        with open(path, "rb") as f:
            layout = plistlib.load(f)
    except OSError as error:
        raise DemoFailure("the saved file %s cannot be read: %s" % (path, error))
    except preferences_file.UNREADABLE as error:
        raise DemoFailure("the saved file %s cannot be read: %s: %s" % (path, type(error).__name__, error))
    if not isinstance(layout, dict):
        raise DemoFailure("the saved file %s holds no layout" % path)
    return layout


def entries_of(layout, key, path):
    """The entries of the layout's list under the key, as whole points."""
    entries = layout.get(key)
    if not isinstance(entries, list):
        raise DemoFailure("the saved file %s has no \"%s\" list" % (path, key))
    try:
        points = [(entry["x"], entry["y"]) for entry in entries]
    except (TypeError, KeyError):
        raise DemoFailure("the saved file %s has an entry without \"x\" and \"y\" under \"%s\"" % (path, key))
    # An infinite or NaN coordinate is no point: int() would raise on it.
    if any(not isinstance(value, (int, float)) or not math.isfinite(value) for point in points for value in point):
        raise DemoFailure("the saved file %s has an entry whose \"x\" or \"y\" is not a finite number under \"%s\"" % (path, key))
    return [(int(x), int(y)) for x, y in points]


def extension_state(dump):
    extension = dump.get("quiltvane")
    if not extension:
        raise DemoFailure("SpringBoard runs without the Quiltvane extension")
    return extension


def wait_for_layout(springboard, name, path):
    """Runs SpringBoard until its extension holds the layout for the whole
    home screen as the saved file has it."""
    reference = "%s.plist//USER" % name
    for _ in range(100):
        extension = extension_state(springboard.dump())
        if (extension.get("references") or {}).get("CurrentLayout") == reference:
            loaded = ((extension.get("layouts") or {}).get("CurrentLayout") or {}).get("origins")
            if loaded == [[x, y] for x, y in entries_of(read_layout(path), extension["originsKey"], path)]:
                return
        springboard.command("wait 100")
    raise DemoFailure("SpringBoard never took up %s" % reference)


def misplacements(drawn, entries, pages):
    """Why the saved entries and the icons disagree, checked both ways: the
    file holds an entry for every icon drawn and no other, in the editor's
    order; every icon of a page lies at the entry of its slot; and every
    entry holds an icon on every page but the last, which takes what is
    left. No reasons when they agree."""
    reasons = []
    if len(entries) != len(drawn):
        reasons.append("the saved file holds %d entries, the application drew %d icons" % (len(entries), len(drawn)))
    reasons += ["entry %d of the saved file is %s, its icon was drawn at %s" % (index + 1, entry, icon)
                for index, (entry, icon) in enumerate(zip(entries, drawn)) if entry != icon]
    for page_number, page in enumerate(pages, 1):
        last = page_number == len(pages)
        if len(page) > len(entries) or (len(page) < len(entries) and not last):
            reasons.append("page %d holds %d icons, the layout has %d entries" % (page_number, len(page), len(entries)))
        for slot, (name, x, y) in enumerate(page[:len(entries)]):
            want = (entries[slot][0], entries[slot][1] - 20)
            if (x, y) != want:
                reasons.append("%s lies at %g,%g on page %d, entry %d says %d,%d" % (name, x, y, page_number, slot + 1, *want))
    return reasons


def pages_of(dump):
    """The icons of every home screen page holding any: (name, x, y)."""
    pages = [[(icon["name"], icon["frame"][0], icon["frame"][1]) for icon in page["icons"]] for page in dump["springboard"]["pages"]]
    while pages and not pages[-1]:
        pages.pop()
    return pages


def main():
    build, root, logs = sys.argv[1:4]
    os.makedirs(logs, exist_ok=True)
    os.environ["QV_ROOT"] = root
    os.environ["QV_DRIVER"] = "stdin"
    os.environ.setdefault("QV_DEVICE", "iphone-4")
    try:
        prepare_preferences(root)
    except DemoFailure as failure:
        say("run-demo: %s" % failure)
        return 1
    programs = []

    def start(name, argv):
        program = Program(name, argv, logs)
        programs.append(program)
        return program

    try:
        say("Starting SpringBoard with the Quiltvane extension on %s (%s)" % (root, os.environ["QV_DEVICE"]))
        springboard = start("springboard", [os.path.join(build, "bin/springboard")])
        springboard.command("wait 300")
        before = home_screen(springboard.dump())

        application = start("quiltvane", [os.path.join(root, "Applications/Quilt Vane.app/Quilt Vane")])
        application.command("wait 300")
        if "Folder Mode" in [modal["title"] for modal in application.dump()["modalViews"]]:
            say("The application offers its folder mode: later")
            application.command("alert Later")
        drawn = draw(application)
        name = save(application)
        layout_path = os.path.join(root, "var/mobile/Library/Quiltvane/Layouts", name + ".plist")

        settings = start("settings", [os.path.join(build, "bin/settings")])
        apply_from_settings(settings, name)
        wait_for_layout(springboard, name, layout_path)
        dump = springboard.dump()
        after = home_screen(dump)
        # The file as it is now, after SpringBoard placed the icons by it.
        entries = entries_of(read_layout(layout_path), extension_state(dump)["originsKey"], layout_path)
        print_table(before, after, entries)

        reasons = misplacements(drawn, entries, pages_of(dump))
        if reasons:
            raise DemoFailure("the icons are not where the saved file says:\n  " + "\n  ".join(reasons))
        say("Every entry of %s holds its icon on every page, and every icon lies at its entry." % layout_path)
        say("The programs' logs are in %s." % logs)
        return 0
    except DemoFailure as failure:
        say("run-demo: %s" % failure)
        say("The programs' logs are in %s." % logs)
        return 3 if str(failure).startswith("waiting:") else 1
    finally:
        for program in reversed(programs):
            program.quit()


if __name__ == "__main__":
    sys.exit(main())
