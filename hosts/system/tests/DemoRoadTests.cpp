// The README's main road, as scripts/run-demo walks it after building: the
// demonstration's driver run against this build's programs on an installed
// device must end well and print every icon of the home screen at its slot
// of the layout it saved, also when run again on the same device; and it
// must end with a reason and status 1 when the saved file and the icons
// disagree, or when the preference file cannot be prepared.
#include "PreferenceFileFixtures.h"
#include "SystemTestSupport.h"

#include "testing/TemporaryDirectory.h"

using namespace qv;
using namespace qv::systemtest;

namespace {

const DeviceCase phone { "iphone-4", "-4Inch" };

// Reads the demonstration's output (standard input) and checks its table
// against the saved file (argument 1, origins key argument 2), both ways:
// every row's icon lies, after the layout was applied, at the layout's
// entry for its slot, that entry is the one the row names, and no two
// icons share a page's slot; and every entry of the layout holds an icon on
// every page but the last. Prints "N icons at their slots", then one line
// for each fault.
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
pages = sorted({page for page, _ in slots})
for page in pages[:-1]:
    empty = [slot for slot in range(1, len(origins) + 1) if (page, slot) not in slots]
    if empty:
        faults.append("no icon at the entries %s of page %d" % (empty, page))
print("%d icons at their slots" % placed)
for fault in faults:
    print(fault)
)PY";

// Runs the demonstration, with a damage done to the saved layout file when
// the arguments name one: the first argument is the scripts folder, the
// second the moment ("apply": after saving, before the Settings app
// applies it; "placed": after SpringBoard placed the icons by it), the
// third the damage; the rest go to the demonstration.
const char* const damagedDemo = R"PY(
import plistlib, sys
sys.path.insert(0, sys.argv[1])
import demo
moment, damage = sys.argv[2:4]
sys.argv = [sys.argv[0]] + sys.argv[4:]

def damage_file(path):
    with open(path, "rb") as f:
        layout = plistlib.load(f)
    for key in [key for key in layout if key.startswith("Origins")]:
        if damage == "cut":
            layout[key] = layout[key][:4]
        elif damage == "extra":
            layout[key].append({"x": 160, "y": 300})
        elif damage == "nolist":
            del layout[key]
        elif damage == "infinite":
            layout[key][0]["x"] = float("inf")
        elif damage == "nan":
            layout[key][0]["y"] = float("nan")
    with open(path, "wb") as f:
        plistlib.dump(layout, f)

def layout_path(name):
    return "%s/var/mobile/Library/Quiltvane/Layouts/%s.plist" % (sys.argv[2], name)

apply, wait = demo.apply_from_settings, demo.wait_for_layout
def apply_damaged(settings, name):
    damage_file(layout_path(name))
    apply(settings, name)
def wait_then_damage(springboard, name, path):
    wait(springboard, name, path)
    damage_file(path)
if moment == "apply":
    demo.apply_from_settings = apply_damaged
else:
    demo.wait_for_layout = wait_then_damage
sys.exit(demo.main())
)PY";

qv::testing::ProcessResult runDemo(const SimulatedDevice& device, const qv::testing::TemporaryDirectory& logs, const std::vector<std::string>& damage = {})
{
    std::vector<std::string> argv { qv::testing::pythonInterpreter(), "-u" };
    if (damage.empty()) {
        argv.push_back(qv::testing::sourceDirectory() + "/scripts/demo.py");
    } else {
        argv.insert(argv.end(), { "-c", damagedDemo, qv::testing::sourceDirectory() + "/scripts" });
        argv.insert(argv.end(), damage.begin(), damage.end());
    }
    argv.insert(argv.end(), { qv::testing::buildDirectory(), device.root.path().string(), logs.string() });
    return qv::testing::runProcess(argv, {}, std::chrono::seconds(240));
}

// The user layouts folder's files, as plistlib reads them: each name and
// the number of its portrait entries, one a line.
std::string savedLayouts(const SimulatedDevice& device)
{
    return python(R"(
import os, plistlib, sys
folder, key = sys.argv[1:3]
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), "rb") as f:
        layout = plistlib.load(f)
    print(name, len(layout[key]), layout["QV"])
)",
        { device.root.hostPath(userLayoutsFolder).string(), originsKey(phone, false) });
}

} // namespace

// Run twice on one device, as the README allows: the second run finds the
// "Demo" the first one saved, has the application overwrite it, and places
// the icons by the new file as the first run did.
TEST(DemoRoad, TwoRunsOnOneDevicePlaceEveryIconAtItsSlot)
{
    SimulatedDevice device(phone.profile);
    const std::string layout = device.layoutPath("Demo");
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        qv::testing::TemporaryDirectory logs;
        qv::testing::ProcessResult demo = runDemo(device, logs);
        ASSERT_FALSE(demo.timedOut) << demo.output;
        ASSERT_EQ(demo.exitCode, 0) << demo.output << demo.errors;
        EXPECT_EQ(savedLayouts(device), "Demo.plist 5 True");
        // The installed home screen holds more icons than the layout's five
        // slots: the rest lie at the same slots of later pages.
        const std::string checked = python(checkDemoTable, { layout, originsKey(phone, false) }, demo.output);
        EXPECT_EQ(checked.find('\n'), std::string::npos) << checked << "\n" << demo.output;
        EXPECT_GT(std::atoi(checked.c_str()), 5) << checked << "\n" << demo.output;
    }
}

// A "Demo.plist" the application did not make is not overwritten: the
// application saves beside it under a numbered name, and the demonstration
// applies that file. Nor is a preference it does not know: here in a binary
// preferences file, as another program may write it, with text that XML
// cannot carry.
TEST(DemoRoad, ALayoutOfTheNameTheApplicationDidNotMakeIsLeftAlone)
{
    SimulatedDevice device(phone.profile);
    const std::string preferences = device.root.hostPath(sharedPreferencesPath).string();
    python("import plistlib, sys\npath = sys.argv[1]\nvalues = plistlib.load(open(path, 'rb'))\nvalues['Other'] = 'a\\x01b'\n"
           "plistlib.dump(values, open(path, 'wb'), fmt=plistlib.FMT_BINARY)",
        { preferences });
    const std::string foreign = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>Origins-4Inch</key><array>"
                                "<dict><key>x</key><integer>7</integer><key>y</key><integer>70</integer></dict></array></dict></plist>";
    device.root.writeFile(std::string(userLayoutsFolder) + "/Demo.plist", foreign);
    qv::testing::TemporaryDirectory logs;
    qv::testing::ProcessResult demo = runDemo(device, logs);
    ASSERT_FALSE(demo.timedOut) << demo.output;
    ASSERT_EQ(demo.exitCode, 0) << demo.output << demo.errors;
    // SpringBoard's extension fills in the keys it lacks when it starts; its
    // entry and its want of the application's mark stay.
    EXPECT_EQ(python("import plistlib, sys\nlayout = plistlib.load(open(sys.argv[1], 'rb'))\nprint(layout[sys.argv[2]], layout.get('QV'))",
                  { device.layoutPath("Demo"), originsKey(phone, false) }),
        "[{'x': 7, 'y': 70}] None");
    const std::string checked = python(checkDemoTable, { device.layoutPath("Demo(1)"), originsKey(phone, false) }, demo.output);
    EXPECT_EQ(checked.find('\n'), std::string::npos) << checked << "\n" << demo.output;
    EXPECT_GT(std::atoi(checked.c_str()), 5) << checked << "\n" << demo.output;
    EXPECT_EQ(python("import plistlib, sys\nlayout = plistlib.load(open(sys.argv[1], 'rb'))\nprint(len(layout[sys.argv[2]]), layout['QV'])",
                  { device.layoutPath("Demo(1)"), originsKey(phone, false) }),
        "5 True");
    EXPECT_EQ(python("import plistlib, sys\nprint(repr(plistlib.load(open(sys.argv[1], 'rb'))['Other']))", { preferences }), "'a\\x01b'");
}

struct DemoDamage {
    const char* name;
    const char* moment;
    const char* damage;
    const char* reason;
};

// Names the case in test output (instead of its bytes).
void PrintTo(const DemoDamage& damage, std::ostream* out)
{
    *out << damage.name;
}

class DemoRoadDamage : public ::testing::TestWithParam<DemoDamage> { };

// The saved file damaged while the demonstration runs: it must say why it
// fails, with status 1, and never end in a traceback.
TEST_P(DemoRoadDamage, TheDemonstrationSaysWhyTheFileAndTheIconsDisagree)
{
    SimulatedDevice device(phone.profile);
    qv::testing::TemporaryDirectory logs;
    qv::testing::ProcessResult demo = runDemo(device, logs, { GetParam().moment, GetParam().damage });
    ASSERT_FALSE(demo.timedOut) << demo.output;
    EXPECT_EQ(demo.exitCode, 1) << demo.output << demo.errors;
    EXPECT_NE(demo.output.find(GetParam().reason), std::string::npos) << demo.output;
    EXPECT_EQ(demo.errors.find("Traceback"), std::string::npos) << demo.errors;
}

INSTANTIATE_TEST_SUITE_P(Damages, DemoRoadDamage,
    ::testing::Values(
        // SpringBoard places four icons a page by the cut file, each at its
        // entry: only the icons drawn tell the fifth is missing.
        DemoDamage { "CutBeforeItIsApplied", "apply", "cut", "the saved file holds 4 entries, the application drew 5 icons" },
        // An entry no icon lies at.
        DemoDamage { "EntryAddedAfterThePlacing", "placed", "extra", "page 1 holds 5 icons, the layout has 6 entries" },
        DemoDamage { "ListRemovedAfterThePlacing", "placed", "nolist", "has no \"Origins-4Inch\" list" },
        // Coordinates plistlib writes and reads, but no point has.
        DemoDamage { "InfiniteXAfterThePlacing", "placed", "infinite", "has an entry whose \"x\" or \"y\" is not a finite number" },
        DemoDamage { "NaNYAfterThePlacing", "placed", "nan", "has an entry whose \"x\" or \"y\" is not a finite number" }),
    [](const auto& info) { return std::string(info.param.name); });

class DemoRoadPreferences : public ::testing::TestWithParam<UnwritablePreferences> { };

// The demonstration marks the tutorial cards seen in the preference file
// before any program starts; a file it cannot read, or cannot write back
// with every value it holds, ends the run there with the reason and status
// 1, byte for byte as it was and with nothing left beside it.
TEST_P(DemoRoadPreferences, AFileThatCannotBeWrittenBackIsLeftAsItWas)
{
    SimulatedDevice device(phone.profile);
    python(makePreferenceFile, { device.root.hostPath(sharedPreferencesPath).string(), GetParam().damage });
    const std::string before = device.root.readFile(sharedPreferencesPath);
    qv::testing::TemporaryDirectory logs;
    qv::testing::ProcessResult demo = runDemo(device, logs);
    EXPECT_EQ(demo.exitCode, 1) << demo.output << demo.errors;
    expectLeftAsItWas(device, before, demo, demo.output, GetParam());
    // No program was started: none wrote a log.
    EXPECT_TRUE(std::filesystem::is_empty(logs.path())) << demo.output;
}

INSTANTIATE_TEST_SUITE_P(Files, DemoRoadPreferences, ::testing::ValuesIn(unwritablePreferenceFiles),
    [](const auto& info) { return std::string(info.param.name); });
