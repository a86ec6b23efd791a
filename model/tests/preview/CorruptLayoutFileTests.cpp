#include "model/QVLayout.h"
#include "model/tests/support/ModelTestSupport.h"
#include "testing/Process.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qv;
using qv::testing::LayoutRoot;
using qv::testing::ScopedDeviceProfile;

namespace {

// A layout file as no editor writes it: values of the wrong kind under
// every key, numbers beyond every range, NaN and infinities, a dictionary
// where the landscape icon list belongs, and a key of its own.
constexpr const char* hostileLayout =
    "{'QV': [True], 'FolderLayout': {'YES': True},"
    " 'Origins-4Inch': [{'x': float('nan'), 'y': float('inf')}, {'x': -1e308, 'y': 2**63 - 1},"
    "   {'x': -2**63, 'y': 'abc'}, [1, 2], 'stray', 5, b'bytes', datetime.datetime(2001, 1, 1),"
    "   {'x': {'y': 1}, 'y': [1]}, {}, {'x': -40, 'y': 90}],"
    " 'Origins-4Inch-Landscape': {'x': 1},"
    " 'GridSize-4Inch': {'Dimensions-Width': float('nan'), 'Dimensions-Height': 2**63 - 1, 'x': 1e300,"
    "   'y': float('-inf'), 'width': b'x', 'height': datetime.datetime(2001, 1, 1)},"
    " 'GridSize-4Inch-Landscape': [1],"
    " 'Origins-Tall': 5, 'Origins-3_5Inch': {'x': 1}, 'Other': b'\\x00\\xff'}";
constexpr size_t hostilePortraitEntries = 11;

#if defined(QV_MODEL_APPLICATION)
// Checks that the file at `rewritten` holds what the file at `original`
// held, value for value and kind for kind, but for the landscape icon
// list, which the file at `defaults` gave.
void expectEverythingKeptButTheRefilledList(const LayoutRoot& layouts, const std::string& original,
    const std::string& rewritten, const std::string& defaults)
{
    auto result = qv::testing::runPython(
        "import math, plistlib, sys\n"
        "def canonical(value):\n"
        "    if isinstance(value, dict):\n"
        "        return [(key, canonical(value[key])) for key in sorted(value)]\n"
        "    if isinstance(value, list):\n"
        "        return [canonical(member) for member in value]\n"
        "    if isinstance(value, float) and math.isnan(value):\n"
        "        return ('float', 'nan')\n"
        "    return (type(value).__name__, value)\n"
        "original, rewritten, defaults = (plistlib.load(open(path, 'rb')) for path in sys.argv[1:])\n"
        "original['Origins-4Inch-Landscape'] = defaults['Origins-4Inch-Landscape']\n"
        "sys.stdout.write('same' if canonical(original) == canonical(rewritten) else repr(rewritten))\n",
        { layouts.root().hostPath(original).string(), layouts.root().hostPath(rewritten).string(),
            layouts.root().hostPath(defaults).string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output, "same");
}
#endif

} // namespace

// Such a file still makes a layout object in either flavour, with nothing
// of it lost: the flags read as NO, every icon gets a dot and none sits at
// a place that is no finite number, the corrupt landscape list is refilled
// from "Default.plist" in memory, and the application writes back
// everything else as it was, kind for kind.
TEST(CorruptLayoutFileTest, WrongKindsEverywhere)
{
    qv::testing::LayoutRoot layouts;
    ScopedDeviceProfile device("iphone-4");
    layouts.writeDefaultLayout(qv::testing::defaultLayoutFixture(1000));
    const std::string path = LayoutRoot::userLayoutPath("Hostile.plist");
    const std::string original = "/Hostile original.plist";
    const std::string bytes = qv::testing::binaryPropertyListFromPython(hostileLayout);
    layouts.root().writeFile(path, bytes);
    layouts.root().writeFile(original, bytes);

    Ref<QVLayout> layout = QVLayout::create("Hostile.plist", false);

    EXPECT_FALSE(layout->QV());
    EXPECT_FALSE(layout->folderLayout());
    ASSERT_TRUE(layout->layoutData());
    RefPtr<NSArray> landscape = layout->layoutData()->arrayForKey("Origins-4Inch-Landscape");
    ASSERT_TRUE(landscape);
    EXPECT_TRUE(landscape->isEqual(qv::testing::defaultLayoutFixture(1000)->objectForKey("Origins-4Inch-Landscape").get()));
    EXPECT_EQ(layout->layoutData()->arrayForKey("Origins-4Inch")->count(), hostilePortraitEntries);

    const std::vector<Ref<UIView>> dots = layout->layoutPreview()->subviews();
    ASSERT_EQ(dots.size(), landscape->count() + hostilePortraitEntries);
    for (const Ref<UIView>& dot : dots) {
        const CGRect frame = dot->frame();
        EXPECT_TRUE(std::isfinite(frame.origin.x) && std::isfinite(frame.origin.y)) << frame.origin.x << ", " << frame.origin.y;
    }
    EXPECT_EQ(dots.back()->frame(), CGRectMake(-5, 10, 9, 9)) << "a sound entry among the corrupt ones";

#if defined(QV_MODEL_APPLICATION)
    expectEverythingKeptButTheRefilledList(layouts, original, path, LayoutRoot::defaultLayoutPath("Default.plist"));
#else
    EXPECT_EQ(layouts.root().readFile(path), bytes);
#endif
}
