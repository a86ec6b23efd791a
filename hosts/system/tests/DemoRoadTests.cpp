// The README's main road, as scripts/run-demo walks it after building: the
// demonstration's driver run against this build's programs on a freshly
// installed device must end well and print every icon of the home screen at
// its slot of the layout it saved.
#include "SystemTestSupport.h"

#include "testing/TemporaryDirectory.h"

using namespace qv;
using namespace qv::systemtest;

namespace {

const DeviceCase phone { "iphone-4", "-4Inch" };

// Reads the demonstration's output (standard input) and checks its table
// against the saved file (argument 1, origins key argument 2): every row's
// icon lies, after the layout was applied, at the layout's entry for its
// slot, that entry is the one the row names, and no two icons share a
// page's slot. Prints "N icons at their slots", then one line for each
// fault.
const char* const checkDemoTable = R"PY(
import plistlib, re, sys
layout_path, key = sys.argv[1:3]
with open(layout_path, "rb") as f:
    origins = plistlib.load(f)[key]
place = r"(-|(\d+)\s+(\d+)\s+(-?[\d.]+),(-?[\d.]+))"
row = re.compile(r"^(\S.*?)\s+" + place + r"\s+" + place + r"\s*(?:(-?\d+), (-?\d+))?\s*$")
lines = sys.stdin.read().splitlines()
header = [i for i, line in enumerate(lines) if line.startswith("Icon ")]
if not header:
    print("no table")
    sys.exit()
placed, faults, slots = 0, [], set()
for line in lines[header[0] + 2:]:
    if not line.strip():
        break
    match = row.match(line)
    if not match or match.group(8) is None:
        faults.append("not a row of a placed icon: %r" % line)
        continue
    before = len(faults)
    name = match.group(1)
    page, slot, x, y = int(match.group(8)), int(match.group(9)), float(match.group(10)), float(match.group(11))
    if (page, slot) in slots:
        faults.append("%s shares slot %d of page %d" % (name, slot, page))
    slots.add((page, slot))
    if slot > len(origins):
        faults.append("%s at slot %d of a layout of %d slots" % (name, slot, len(origins)))
        continue
    want = (float(origins[slot - 1]["x"]), float(origins[slot - 1]["y"]) - 20)
    if (x, y) != want:
        faults.append("%s at %s, the layout says %s" % (name, (x, y), want))
    if match.group(12) is None or (float(match.group(12)), float(match.group(13))) != want:
        faults.append("%s names the entry %s, the layout says %s" % (name, match.group(12, 13), want))
    placed += len(faults) == before
print("%d icons at their slots" % placed)
for fault in faults:
    print(fault)
)PY";

} // namespace

TEST(DemoRoad, TheDemonstrationPlacesEveryIconAtItsSlot)
{
    SimulatedDevice device(phone.profile);
    qv::testing::TemporaryDirectory logs;
    qv::testing::ProcessResult demo = qv::testing::runProcess({ "python3", "-u", qv::testing::sourceDirectory() + "/scripts/demo.py",
                                                                  qv::testing::buildDirectory(), device.root.path().string(), logs.path().string() },
        {}, std::chrono::seconds(90));
    ASSERT_FALSE(demo.timedOut) << demo.output;
    ASSERT_EQ(demo.exitCode, 0) << demo.output << demo.errors;

    const std::string layout = device.layoutPath("Demo");
    EXPECT_EQ(python("import plistlib, sys\nprint(len(plistlib.load(open(sys.argv[1], 'rb'))[sys.argv[2]]))", { layout, originsKey(phone, false) }), "5");
    // The installed home screen holds more icons than the layout's five
    // slots: the rest lie at the same slots of later pages.
    const std::string checked = python(checkDemoTable, { layout, originsKey(phone, false) }, demo.output);
    EXPECT_EQ(checked.find('\n'), std::string::npos) << checked << "\n" << demo.output;
    EXPECT_GT(std::atoi(checked.c_str()), 5) << checked << "\n" << demo.output;
}
