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
import os
import plistlib
import subprocess
import sys

LAYOUT_NAME = "Demo"
# Where the demonstration's icons go on the phone's portrait screen (top-left
# corners, in the editor's full-screen points).
ICON_SPOTS = [(20, 60), (230, 60), (125, 200), (20, 380), (230, 380)]
TUTORIAL_CARDS = ["Welcome", "Quick-Actions", "Icon", "Options-Button", "Add-Icon-Button", "Save-Button", "Grid-Button",
                  "Image-Button", "Orientation", "Grid-View-Welcome", "Reset-Grid-Position", "Change-Grid-Dimensions",
                  "Unlock-All-Icons", "Fill-Grid", "Ignore-Icon-Touches"]
PREFERENCES = "var/mobile/Library/Preferences/com.corvellan.Quilt-Vane.plist"


class DemoFailure(Exception):
    pass


class Program:
    """A running program of the device, driven through its standard input."""

    def __init__(self, name, argv, logs):
        self.name = name
        self.log_path = os.path.join(logs, name + ".log")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log, text=True)

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise DemoFailure("%s ended at \"%s\" (its log: %s)" % (self.name, line, self.log_path))
        answer = json.loads(answer)
        if not answer["ok"]:
            raise DemoFailure("%s: %s: %s" % (self.name, line, answer["error"]))
        return answer

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


def mark_tutorial_seen(root):
    """The application's tutorial cards stand in the way of a driven demo: the
    owner of this device has seen them all."""
    path = os.path.join(root, PREFERENCES)
    preferences = {}
    if os.path.exists(path):
        with open(path, "rb") as f:
            preferences = plistlib.load(f)
    for card in TUTORIAL_CARDS:
        preferences["Tutorial-" + card] = True
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        plistlib.dump(preferences, f)


def home_screen(dump):
    """Every icon of the home screen's pages: name -> (page, slot, x, y)."""
    icons = {}
    for page_index, page in enumerate(dump["springboard"]["pages"]):
        for slot, icon in enumerate(page["icons"]):
            x, y = icon["frame"][:2]
            icons[icon["name"]] = (page_index + 1, slot + 1, x, y)
    return icons


def print_table(before, after, layout_origins):
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
        if slot <= len(layout_origins):
            origin = layout_origins[slot - 1]
            entry = "%d, %d" % (origin["x"], origin["y"] - 20)
        say("%-14s %-18s %-18s %s" % (name, place(before.get(name)), place(after[name]), entry))
    say("")


def draw_and_save(application):
    say("Drawing %d icons in the application and saving them as \"%s\"" % (len(ICON_SPOTS), LAYOUT_NAME))
    default = application.dump()["editor"]["defaultIconFrame"]
    start = (default[0] + default[2] / 2, default[1] + default[3] / 2)
    for index, (x, y) in enumerate(ICON_SPOTS):
        if index > 0:
            application.command("button +")
        end = (x + default[2] / 2, y + default[3] / 2)
        application.command("down %g %g" % start)
        application.command("move %g %g" % ((start[0] + end[0]) / 2, (start[1] + end[1]) / 2))
        application.command("move %g %g" % end)
        application.command("up")
    application.command("button Save")
    application.command("sheet Save Portrait & Landscape")
    application.command("type " + LAYOUT_NAME)
    application.command("alert Save")
    titles = [modal["title"] for modal in application.dump()["modalViews"]]
    if titles != ["Saved"]:
        raise DemoFailure("the application did not save the layout: %s" % titles)
    application.command("alert Ok")


def apply_from_settings(settings):
    say("Applying \"%s.plist\" to the home screen in the Settings app" % LAYOUT_NAME)
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
    settings.command("wait 500")
    settings.command("rowtitle %s.plist" % LAYOUT_NAME)
    settings.command("sheet Apply to Homescreen")
    settings.command("wait 500")
    settings.command("rowtitle Homescreen Layout")
    settings.command("back")
    settings.command("wait 500")
    settings.command("baritem Save")


def wait_for_layout(springboard):
    reference = "%s.plist//USER" % LAYOUT_NAME
    for _ in range(100):
        extension = springboard.dump().get("quiltvane") or {}
        if (extension.get("references") or {}).get("CurrentLayout") == reference:
            return
        springboard.command("wait 100")
    raise DemoFailure("SpringBoard never took up %s" % reference)


def main():
    build, root, logs = sys.argv[1:4]
    os.makedirs(logs, exist_ok=True)
    os.environ["QV_ROOT"] = root
    os.environ["QV_DRIVER"] = "stdin"
    os.environ.setdefault("QV_DEVICE", "iphone-4")
    mark_tutorial_seen(root)
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
        draw_and_save(application)
        layout_path = os.path.join(root, "var/mobile/Library/Quiltvane/Layouts", LAYOUT_NAME + ".plist")
        with open(layout_path, "rb") as f:
            layout = plistlib.load(f)

        settings = start("settings", [os.path.join(build, "bin/settings")])
        apply_from_settings(settings)
        wait_for_layout(springboard)
        dump = springboard.dump()
        after = home_screen(dump)
        origins = layout[dump["quiltvane"]["originsKey"]]
        print_table(before, after, origins)

        misplaced = [name for name, (page, slot, x, y) in after.items()
                     if slot > len(origins) or (x, y) != (origins[slot - 1]["x"], origins[slot - 1]["y"] - 20)]
        if misplaced:
            raise DemoFailure("not where the layout says: %s" % ", ".join(misplaced))
        say("Every icon of every page lies at its slot of %s; no page holds more icons than the layout has slots." % layout_path)
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
