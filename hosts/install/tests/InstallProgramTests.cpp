#include "hosts/install/SampleThemes.h"
#include "hosts/install/StockWallpapers.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"
#include "platform/UIKit/UIImage.h"
#include "testing/DrivenProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace qv;

namespace {

const char* const deviceSuffixes[] = { "-3_5Inch", "-4Inch", "-4_7Inch", "-5_5Inch", "-iPad" };
const std::string layoutsFolder = "Library/Application Support/Quiltvane/Layouts";

// Prints every key of the layout files as plistlib reads them, with the
// type of each value, sorted, one icon entry a line.
const char* const layoutDumper = R"(
import plistlib, sys
def show(value):
    if isinstance(value, bool): return "bool:%s" % value
    if isinstance(value, int): return "int:%d" % value
    if isinstance(value, float): return "real:%.6g" % value
    return "%s:%r" % (type(value).__name__, value)
def fields(entry):
    return " ".join("%s=%s" % (key, show(entry[key])) for key in sorted(entry))
for path in sys.argv[1:]:
    with open(path, "rb") as file:
        layout = plistlib.load(file)
    for key in sorted(layout):
        value = layout[key]
        if isinstance(value, list):
            print(key, "array", len(value))
            for index, entry in enumerate(value):
                print(" ", index, fields(entry))
        elif isinstance(value, dict):
            print(key, "dict", fields(value))
        else:
            print(key, show(value))
)";

std::string real(CGFloat value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "real:%.6g", value);
    return buffer;
}

// What the dumper must print for a stock layout: SpringBoard's origins with
// the 20 points the extension takes off, and the list's grid.
std::string expectedStockLayout(bool folder)
{
    std::map<std::string, std::string> keys;
    keys["FolderLayout"] = std::string("FolderLayout bool:") + (folder ? "True" : "False") + "\n";
    // Every device class under its suffix, and the bare stems of a device of
    // no known class with the smallest phone's arrangement.
    std::vector<std::pair<std::string, const SBIconGridMetrics*>> classes;
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all())
        classes.emplace_back(deviceSuffixes[metrics.deviceClass()], &metrics);
    classes.emplace_back("", SBIconGridMetrics::forDeviceClass(0));
    for (const auto& [classSuffix, metrics] : classes) {
        for (SBGridOrientation orientation : { SBGridOrientation::Portrait, SBGridOrientation::Landscape }) {
            SBIconListGeometry list = folder ? metrics->folderPage(orientation) : metrics->homePage(orientation);
            std::string suffix = classSuffix;
            if (orientation == SBGridOrientation::Landscape)
                suffix += "-Landscape";
            std::ostringstream origins;
            origins << "Origins" << suffix << " array " << list.capacity() << "\n";
            for (uint64_t i = 0; i < list.capacity(); ++i) {
                CGPoint origin = list.originForIconAtIndex(i);
                origins << "  " << i << " LockedIndex=int:-1 x=int:" << int64_t(origin.x) << " y=int:"
                        << int64_t(origin.y) + 20 << "\n";
            }
            keys["Origins" + suffix] = origins.str();
            CGRect grid = list.contentRect;
            std::ostringstream gridLine;
            gridLine << "GridSize" << suffix << " dict Dimensions-Height=int:" << list.rows
                     << " Dimensions-Width=int:" << list.columns << " height=" << real(grid.size.height)
                     << " width=" << real(grid.size.width) << " x=" << real(grid.origin.x) << " y="
                     << real(grid.origin.y) << "\n";
            keys["GridSize" + suffix] = gridLine.str();
        }
    }
    std::string text;
    for (const auto& [key, lines] : keys)
        text += lines;
    return text;
}

std::string fileContents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

class InstallProgramTest : public ::testing::Test {
protected:
    qv::testing::ProcessResult install(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> argv { qv::testing::buildDirectory() + "/bin/qv-install-root" };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return qv::testing::runProcess(argv);
    }

    void installRoot() const
    {
        auto result = install({ m_root.string() });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }

    std::map<std::string, std::string> allFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root.path())) {
            if (entry.is_regular_file())
                files[std::filesystem::relative(entry.path(), m_root.path()).string()] = fileContents(entry.path());
        }
        return files;
    }

    std::string dumpLayout(const char* fileName) const
    {
        auto result = qv::testing::runPython(layoutDumper, { (m_root.path() / layoutsFolder / fileName).string() });
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        return result.output;
    }

    qv::testing::TemporaryDirectory m_root;
};

} // namespace

TEST_F(InstallProgramTest, DefaultLayoutsHoldTheStockArrangementOfEveryDeviceAndOrientation)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    std::string home = dumpLayout("Default.plist");
    std::string folder = dumpLayout("Default Folder.plist");
    EXPECT_EQ(home, expectedStockLayout(false));
    EXPECT_EQ(folder, expectedStockLayout(true));

    // Spot checks against figures worked out by hand, in case the table and
    // the installer ever agree on a mistake: the 4-inch phone's first icon,
    // its grid, the iPad's landscape folder and the bare stems.
    EXPECT_NE(home.find("Origins-4Inch array 20\n  0 LockedIndex=int:-1 x=int:22 y=int:35\n"), std::string::npos);
    EXPECT_NE(home.find("GridSize-4Inch dict Dimensions-Height=int:5 Dimensions-Width=int:4 height=real:436 "
                        "width=real:288 x=real:16 y=real:8\n"),
        std::string::npos);
    EXPECT_NE(folder.find("Origins-iPad-Landscape array 16\n"), std::string::npos);
    // A device of no known class: the 3.5-inch phone's four rows of four.
    EXPECT_NE(home.find("\nOrigins array 16\n  0 LockedIndex=int:-1 x=int:22 y=int:35\n"), std::string::npos);
    EXPECT_NE(home.find("\nGridSize dict Dimensions-Height=int:4 Dimensions-Width=int:4 height=real:348 "
                        "width=real:288 x=real:16 y=real:8\n"),
        std::string::npos);
    EXPECT_EQ(home.find("QV"), std::string::npos);
}

TEST_F(InstallProgramTest, BundleImagesAndWallpapersDecodeAtTheirSizes)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    qv::testing::ScopedEnvironment root("QV_ROOT", m_root.string());

    struct Case {
        const char* name;
        CGSize size;
    };
    const Case images[] = {
        { "Default_Icon.png", { 60, 60 } },
        { "Placeholder.png", { 60, 60 } },
        { "Grid_Background.png", { 32, 32 } },
        { "Grid_Line_Hor.png", { 32, 1 } },
        { "Grid_Line_Vert.png", { 1, 32 } },
        { "Select_Icon.png", { 20, 20 } },
    };
    for (const Case& c : images) {
        SCOPED_TRACE(c.name);
        RefPtr<UIImage> image = UIImage::imageNamed(c.name);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), c.size);
        EXPECT_EQ(image->scale(), 1);
    }
    auto alphaAt = [](const char* name, size_t x, size_t y) { return UIImage::imageNamed(name)->pixels().pixel(x, y)[3]; };
    // The icon's corners are cut round; its middle and the tint are solid.
    EXPECT_EQ(alphaAt("Default_Icon.png", 0, 0), 0);
    EXPECT_EQ(alphaAt("Default_Icon.png", 30, 5), 255);
    // The placeholder lets the wallpaper through.
    EXPECT_GT(alphaAt("Placeholder.png", 30, 30), 0);
    EXPECT_LT(alphaAt("Placeholder.png", 30, 30), 128);
    EXPECT_EQ(alphaAt("Select_Icon.png", 0, 0), 0);
    EXPECT_EQ(alphaAt("Select_Icon.png", 10, 3), 255);

    for (const StockWallpaper& wallpaper : stockWallpapers()) {
        SCOPED_TRACE(wallpaper.path);
        RefPtr<UIImage> image = UIImage::imageWithContentsOfFile(wallpaper.path);
        ASSERT_TRUE(image);
        CGSize screen = SBIconGridMetrics::forDeviceClass(wallpaper.deviceClass)->screenSize(SBGridOrientation::Portrait);
        EXPECT_EQ(image->scale(), wallpaper.scale);
        EXPECT_EQ(image->size(), screen);
        const PixelBuffer& pixels = image->pixels();
        EXPECT_EQ(pixels.pixel(0, 0)[3], 255);
        EXPECT_EQ(pixels.pixel(pixels.width - 1, pixels.height - 1)[3], 255);
        EXPECT_NE(pixels.pixel(0, 0)[2], pixels.pixel(0, pixels.height - 1)[2]);
    }
    std::set<std::string> paths;
    for (const StockWallpaper& wallpaper : stockWallpapers())
        paths.insert(wallpaper.path);
    EXPECT_EQ(paths, (std::set<std::string> { "/Library/Wallpaper/iPhone/default@2x.png",
                         "/Library/Wallpaper/iPhone/default-568h@2x.png", "/Library/Wallpaper/iPhone/default@3x.png",
                         "/Library/Wallpaper/iPad/default.png", "/Library/Wallpaper/iPad/default@2x.png" }));
}

TEST_F(InstallProgramTest, RunningAgainRestoresTheSameFilesAndKeepsTheHomeScreen)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    auto first = allFiles();
    // Layouts, bundle images, wallpapers, the sample themes, the home
    // screen, the application's program and information list, the Settings
    // bundle (library, information list, specifier list, Settings entry) and
    // the extension in the substrate folder.
    EXPECT_EQ(first.size(), 2u + 6u + 5u + sampleThemeFiles().size() + 1u + 2u + 4u + 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(m_root.path() / "Applications/Quilt Vane.app/Quilt Vane"));

    // A damaged layout and a missing image are put right; nothing else
    // appears, not even a half-written file.
    std::ofstream(m_root.path() / layoutsFolder / "Default.plist", std::ios::trunc) << "garbage";
    std::filesystem::remove(m_root.path() / "Applications/Quilt Vane.app/Select_Icon.png");
    ASSERT_NO_FATAL_FAILURE(installRoot());
    EXPECT_EQ(allFiles(), first);

    // The home screen is the user's: an edited one stays as it is, and one
    // that is gone comes back.
    const std::filesystem::path homeScreen = m_root.path() / "var/mobile/Library/SpringBoard/HomeScreen.plist";
    std::ofstream(homeScreen, std::ios::trunc) << "the user's own";
    auto again = install({ m_root.string() });
    ASSERT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_NE(again.errors.find("keeping the home screen at /var/mobile/Library/SpringBoard/HomeScreen.plist"), std::string::npos);
    EXPECT_EQ(fileContents(homeScreen), "the user's own");
    std::filesystem::remove(homeScreen);
    ASSERT_NO_FATAL_FAILURE(installRoot());
    EXPECT_EQ(allFiles(), first);
}

TEST_F(InstallProgramTest, RefusesWhatCannotBeADeviceRoot)
{
    auto noArgument = install({});
    EXPECT_EQ(noArgument.exitCode, 2);
    EXPECT_NE(noArgument.errors.find("usage"), std::string::npos);
    EXPECT_EQ(install({ "a", "b" }).exitCode, 2);

    std::filesystem::path file = m_root.path() / "plain-file";
    std::ofstream(file) << "not a folder";
    auto result = install({ file.string() });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("device root"), std::string::npos);
    EXPECT_EQ(fileContents(file), "not a folder");

    // This machine's own root is never a device root.
    auto machineRoot = install({ "/" });
    EXPECT_EQ(machineRoot.exitCode, 1);
    EXPECT_NE(machineRoot.errors.find("qv-install-root: cannot use / as the device root"), std::string::npos) << machineRoot.errors;
    EXPECT_NE(machineRoot.errors.find("this machine's own root"), std::string::npos) << machineRoot.errors;
    EXPECT_EQ(machineRoot.output, "") << "no step ran";

    // Where a file stands in the way of a folder the steps fail, say so, and
    // leave the file alone; the steps that can still run do.
    std::filesystem::path blocked = m_root.path() / "blocked";
    std::filesystem::create_directories(blocked);
    std::ofstream(blocked / "Library") << "in the way";
    auto blockedResult = install({ blocked.string() });
    EXPECT_EQ(blockedResult.exitCode, 1);
    EXPECT_NE(blockedResult.errors.find("could not install the default layouts"), std::string::npos);
    EXPECT_NE(blockedResult.errors.find("could not install the stock wallpapers"), std::string::npos);
    EXPECT_EQ(fileContents(blocked / "Library"), "in the way");
    EXPECT_TRUE(std::filesystem::is_regular_file(blocked / "Applications/Quilt Vane.app/Default_Icon.png"));
    EXPECT_TRUE(std::filesystem::is_regular_file(blocked / "var/mobile/Library/SpringBoard/HomeScreen.plist"));
}

TEST_F(InstallProgramTest, TheHomeScreenIsSpringBoardsDefault)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    // As plistlib reads it: the names of each page (a folder's as its name
    // and its pages' names), then the dock's.
    auto result = qv::testing::runPython(R"(
import plistlib, sys
with open(sys.argv[1], "rb") as file:
    home = plistlib.load(file)
def name(item):
    if isinstance(item, str): return item
    return "%s:%s%s" % (item["kind"], item["name"], [[name(entry) for entry in page] for page in item["pages"]])
for page in home["pages"]:
    print(", ".join(name(item) for item in page))
print("dock:", ", ".join(home["dock"]))
)", { (m_root.path() / "var/mobile/Library/SpringBoard/HomeScreen.plist").string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output,
        "Messages, Calendar, Photos, Camera, Weather, Clock, Maps, Videos, Notes, Reminders, Stocks, Game Center, "
        "newsstand:Newsstand[['Daily News', 'Travel Weekly']], iTunes Store, App Store, Settings\n"
        "folder:Utilities[['Calculator', 'Compass', 'Voice Memos', 'Contacts', 'Find iPhone', 'Tips', 'iBooks', 'Health', 'Passbook'], "
        "['FaceTime', 'Podcasts', 'Watch']], folder:Games[['Chess', 'Solitaire', 'Sudoku', 'Tetris']], Translate, Measure, Magnifier, "
        "Shortcuts, Home, Files, Music Memos\n"
        "folder:Extras[['Flashlight', 'Reading List', 'Feedback']], Keynote, Numbers, Pages\n"
        "dock: Phone, Mail, Safari, Music\n");
}

// The Settings bundle lies where the Settings app looks: its library, its
// information list naming library and principal class, its specifier list,
// and the Settings entry that names the bundle, as plistlib reads them.
TEST_F(InstallProgramTest, TheSettingsBundleIsLaidOut)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    const std::filesystem::path bundle = m_root.path() / "Library/PreferenceBundles/QuiltvanePrefs.bundle";
    EXPECT_EQ(fileContents(bundle / "QuiltvanePrefs").substr(0, 4), "\x7f" "ELF");
    auto result = qv::testing::runPython(R"(
import plistlib, sys
info, rows, entry = (plistlib.load(open(path, "rb")) for path in sys.argv[1:])
print(info["CFBundleExecutable"], info["NSPrincipalClass"])
print([item.get("get") for item in rows["items"] if item["cell"] == "PSSwitchCell"])
print(entry["entry"]["bundle"], entry["entry"]["label"])
)", { (bundle / "Info.plist").string(), (bundle / "QuiltvanePrefs.plist").string(),
        (m_root.path() / "Library/PreferenceLoader/Preferences/QuiltvanePrefs.plist").string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output,
        "QuiltvanePrefs QuiltvanePrefsListController\n"
        "['enabled', 'folderLayoutsEnabled', 'hiddenIconsEnabled', 'placeholderIconsEnabled']\n"
        "QuiltvanePrefs Quiltvane\n");
}

// The application bundle carries its information list beside the program,
// as a device's bundle does: the name, identifier and version the HTTP
// library makes its User-Agent of.
TEST_F(InstallProgramTest, TheApplicationBundleHasItsInformationList)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    const std::filesystem::path bundle = m_root.path() / "Applications/Quilt Vane.app";
    auto result = qv::testing::runPython(R"(
import plistlib, sys
info = plistlib.load(open(sys.argv[1], "rb"))
print(info["CFBundleName"], "|", info["CFBundleDisplayName"], "|", info["CFBundleExecutable"], "|", info["CFBundleIdentifier"])
print(info["CFBundleShortVersionString"], info["CFBundleVersion"], info["CFBundlePackageType"])
)", { (bundle / "Info.plist").string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output, "Quilt Vane | Quilt Vane | Quilt Vane | com.corvellan.Quilt-Vane\n1.0 1.0 APPL\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(bundle / "Quilt Vane"));
}

// A laid-out root is a whole device: SpringBoard started on it loads the
// extension from the substrate folder, the application runs from its
// bundle, and the Settings app finds the bundle's page and opens it.
TEST_F(InstallProgramTest, TheDeliverablesRunFromTheLaidOutRoot)
{
    ASSERT_NO_FATAL_FAILURE(installRoot());
    EXPECT_EQ(fileContents(m_root.path() / "Library/MobileSubstrate/DynamicLibraries/Quiltvane.dylib").substr(0, 4), "\x7f" "ELF");
    qv::testing::ScopedEnvironment root("QV_ROOT", m_root.string());
    qv::testing::ScopedEnvironment device("QV_DEVICE", "iphone-4");
    qv::testing::ScopedEnvironment driver("QV_DRIVER", "stdin");

    qv::testing::DrivenProcess springBoard({ qv::testing::buildDirectory() + "/bin/springboard" });
    EXPECT_EQ(springBoard.answerThroughPython("q = json.loads(sys.stdin.read())['dump']['quiltvane']\nprint(q is not None and 'switches' in q)", "dump"), "True");
    EXPECT_EQ(springBoard.quit(), 0);

    qv::testing::DrivenProcess application({ (m_root.path() / "Applications/Quilt Vane.app/Quilt Vane").string() });
    EXPECT_EQ(application.answerThroughPython("print(len(json.loads(sys.stdin.read())['dump']['editor']['icons']))", "dump"), "1");
    EXPECT_EQ(application.quit(), 0);

    qv::testing::DrivenProcess settings({ qv::testing::buildDirectory() + "/bin/settings" });
    EXPECT_EQ(settings.answerThroughPython("print([b['label'] for b in json.loads(sys.stdin.read())['bundles']])", "bundles"), "['Quiltvane']");
    settings.expectOk("open Quiltvane");
    EXPECT_EQ(settings.quit(), 0);
}
