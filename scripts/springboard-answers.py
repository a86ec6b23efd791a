# Reads what the SpringBoard host writes (its answers and its log, in one
# stream, in the order they were written) and prints it for a person: each
# answer after the log lines of its command, as "> COMMAND: ok" or
# "> COMMAND: error: WHY", a dump as the device and its home screen page by
# page. A line that is no answer (a log line, whatever an extension prints)
# is printed as it is.
import json
import sys

ANSWER_START = '{"ok":'


def frame(values):
    return "(%g, %g, %g, %g)" % tuple(values)


def show_list(title, entry):
    print("  %s  %s %s%s" % (title, entry["class"], frame(entry["frame"]), "  hidden" if entry["hidden"] else ""))
    for icon in entry["icons"]:
        alpha = "" if icon["alpha"] == 1 else "  alpha %g" % icon["alpha"]
        print("      %-16s %-12s %s%s" % (icon["name"], icon["kind"], frame(icon["frame"]), alpha))
    for view in entry["views"]:
        print("      [%s] %s  alpha %g" % (view["class"], frame(view["frame"]), view["alpha"]))


def show_dump(dump):
    screen = dump.get("screen", [0, 0, 0, 0])
    print("  device %s, screen %g x %g points (scale %g)" % (dump.get("device"), screen[2], screen[3], dump.get("scale", 1)))
    board = dump.get("springboard")
    if board is None:
        return
    if "pages" not in board:
        print("  SpringBoard has no home screen")
        return
    print("  orientation %s, editing %s, locked %s, page %s, held %s, last launched %s, open folder %s" % (
        board["orientation"], board["editing"], board["locked"], board["currentPage"], board["grabbedIcon"],
        board["lastLaunchedApplication"], board["openFolder"]["name"] if board["openFolder"] else None))
    print("  capacity", ", ".join("%s %d" % item for item in board["capacity"].items()))
    for index, page in enumerate(board["pages"]):
        show_list("Page %d" % index, page)
    if board["dock"]:
        show_list("Dock", board["dock"])
    for folder in board["folders"]:
        for index, page in enumerate(folder["pages"]):
            show_list("%s, page %d" % (folder["name"], index), page)


def show_answer(answer):
    command = answer.get("command", "")
    if not answer.get("ok"):
        print("> %s: error: %s" % (command, answer.get("error")))
        return
    members = {key: value for key, value in answer.items() if key not in ("ok", "command", "dump")}
    print("> %s: ok%s" % (command, " " + json.dumps(members) if members else ""))
    if "dump" in answer:
        show_dump(answer["dump"])


def answer_in(line):
    """The answer the line ends with, and the text before it; or None."""
    start = line.find(ANSWER_START)
    while start >= 0:
        try:
            answer = json.loads(line[start:])
        except ValueError:
            answer = None
        if isinstance(answer, dict) and "command" in answer:
            return line[:start], answer
        start = line.find(ANSWER_START, start + 1)
    return None


def main():
    for raw in sys.stdin.buffer:
        line = raw.decode("utf-8", "replace").rstrip("\n")
        found = answer_in(line)
        if found is None:
            print(line)
            continue
        # Text an extension printed without ending its line sits before the
        # answer.
        before, answer = found
        if before:
            print(before)
        show_answer(answer)


main()
