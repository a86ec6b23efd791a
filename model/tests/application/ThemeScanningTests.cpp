#include "model/QVReader.h"
#include "model/QVThemeImages.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/Foundation/NSString.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qv;
using qv::testing::LayoutRoot;

namespace {

constexpr const char* themes = "/Library/Themes";

class ThemeScanning : public ::testing::Test {
protected:
    LayoutRoot layouts;
    Ref<QVReader> reader = QVReader::create();

    static std::string theme(const std::string& name) { return std::string(themes) + "/" + name; }
    void image(const std::string& devicePath) const { layouts.writeImage(devicePath); }
    void file(const std::string& devicePath, const std::string& contents = "text") const { layouts.root().writeFile(devicePath, contents); }
    void folder(const std::string& devicePath) const { std::filesystem::create_directories(layouts.root().hostPath(devicePath)); }
    void link(const std::string& devicePath, const std::filesystem::path& target) const
    {
        std::filesystem::create_directories(layouts.root().hostPath(devicePath).parent_path());
        std::filesystem::create_directory_symlink(target, layouts.root().hostPath(devicePath));
    }

    // The groups of a scan as "Group: entry, entry; Group: ..." in key order.
    std::string scan(const std::string& directory, int32_t browseType) const
    {
        Ref<NSDictionary> images = reader->imagesInThemeAtDirectory(directory, browseType);
        std::string text;
        for (const char* group : { QVThemeBackgroundsKey, QVThemeBundlesKey, QVThemeFoldersKey, QVThemeIconsKey }) {
            RefPtr<NSArray> list = images->arrayForKey(group);
            if (!list)
                continue;
            text += std::string(text.empty() ? "" : "; ") + group + ":";
            for (const Ref<NSObject>& entry : list->objects())
                text += " " + entry->description();
        }
        return text;
    }
};

} // namespace

// The sample tree: the icon names of bundles and folders in any case, a
// plain file among the bundles, png files of "Icons" by a case-sensitive
// suffix, all in listing order.
TEST_F(ThemeScanning, FindsEachGroupsImagesByPlaceAndName)
{
    const std::string t = theme("Sample.theme");
    image(t + "/Bundles/A/icon.png");
    image(t + "/Bundles/A/icon@2x.png");
    image(t + "/Bundles/A/icon~ipad.png");
    image(t + "/Bundles/A/icon-72.png");
    image(t + "/Bundles/A/icon@3x.png");
    image(t + "/Bundles/B/Icon.PNG");
    file(t + "/Bundles/notes.txt");
    folder(t + "/Bundles/C/icon.png");
    image(t + "/Folders/Games/icon.png");
    image(t + "/Icons/Safari.png");
    image(t + "/Icons/Notes.PNG");
    file(t + "/Icons/readmepng");
    folder(t + "/Icons/x.png");

    EXPECT_EQ(scan(t, QVBrowseTypeIconImage), "Bundles: A/icon.png A/icon@2x.png B/Icon.PNG; Folders: Games/icon.png; Icons: Safari.png readmepng");
    EXPECT_TRUE(reader->isValidThemeAtDirectory(t, QVBrowseTypeIconImage));
    EXPECT_FALSE(reader->isValidThemeAtDirectory(t, QVBrowseTypeBackgroundImage));
    EXPECT_EQ(scan(t, QVBrowseTypeBackgroundImage), "");

    EXPECT_EQ(reader->listOfThemeIconsAtDirectory(t + "/Bundles/A", QVThemeScanFolderIcons)->description(),
        reader->listOfThemeIconsAtDirectory(t + "/Bundles/A", QVThemeScanBundleIcons)->description());
    EXPECT_EQ(reader->listOfThemeIconsAtDirectory(t + "/Icons", 7)->count(), 0u);
}

// A wallpaper counts only when its name without the last extension is
// exactly "Wallpaper" and it decodes; the last one listed wins.
TEST_F(ThemeScanning, BackgroundsAreTheLastDecodableWallpaper)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> corrupt;
        const char* backgrounds;
    } cases[] = {
        { "png", { "Wallpaper.png" }, {}, "Backgrounds: Wallpaper.png" },
        { "both", { "Wallpaper.jpg", "Wallpaper.png" }, {}, "Backgrounds: Wallpaper.png" },
        { "later one corrupt", { "Wallpaper.jpg" }, { "Wallpaper.png" }, "Backgrounds: Wallpaper.jpg" },
        { "only corrupt", {}, { "Wallpaper.png" }, "" },
        { "wrong names", { "wallpaper.png", "Wallpaper@2x.png", "Wallpaper.png.bak.png" }, {}, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string t = theme(c.name);
        folder(t);
        for (const std::string& name : c.files)
            image(t + "/" + name);
        for (const std::string& name : c.corrupt)
            file(t + "/" + name, "not an image");
        EXPECT_EQ(scan(t, QVBrowseTypeBackgroundImage), c.backgrounds);
        EXPECT_EQ(reader->isValidThemeAtDirectory(t, QVBrowseTypeBackgroundImage), *c.backgrounds != '\0');
        EXPECT_FALSE(reader->isValidThemeAtDirectory(t, QVBrowseTypeIconImage));
    }
}

// A present but empty group does not make a theme valid; an unknown browse
// type or a missing theme gives nothing.
TEST_F(ThemeScanning, EmptyGroupsUnknownTypesAndMissingThemesAreInvalid)
{
    const std::string t = theme("Empty.theme");
    file(t + "/Bundles/com.example.app/readme.txt");
    folder(t + "/Icons");
    EXPECT_EQ(scan(t, QVBrowseTypeIconImage), "Bundles:; Icons:");
    EXPECT_FALSE(reader->isValidThemeAtDirectory(t, QVBrowseTypeIconImage));

    image(t + "/Wallpaper.png");
    image(t + "/Icons/Mail.png");
    EXPECT_EQ(reader->imagesInThemeAtDirectory(t, 5)->count(), 0u);
    EXPECT_FALSE(reader->isValidThemeAtDirectory(t, 5));
    EXPECT_EQ(reader->imagesInThemeAtDirectory(theme("Missing.theme"), QVBrowseTypeIconImage)->count(), 0u);
    EXPECT_FALSE(reader->isValidThemeAtDirectory(theme("Missing.theme"), QVBrowseTypeBackgroundImage));
}

// Themes are often kept elsewhere on the device and linked in: a link is
// followed wherever on the device it leads, whether the theme, a group
// folder or the file is the link. A link that leaves the device, or that
// loops, reads as nothing.
TEST_F(ThemeScanning, LinksAreFollowedAnywhereOnTheDevice)
{
    image(theme(".stash/Real/Icons/Phone.png"));
    image(theme(".stash/Real/Wallpaper.png"));
    link(theme("Linked.theme"), ".stash/Real");
    EXPECT_EQ(scan(theme("Linked.theme"), QVBrowseTypeIconImage), "Icons: Phone.png");
    EXPECT_EQ(scan(theme("Linked.theme"), QVBrowseTypeBackgroundImage), "Backgrounds: Wallpaper.png");

    image("/var/mobile/Kept/Icons/Mail.png");
    image("/var/mobile/Kept/Wallpaper.png");
    image("/var/mobile/Kept/App/icon.png");
    link(theme("Elsewhere.theme"), layouts.root().hostPath("/var/mobile/Kept"));
    EXPECT_EQ(scan(theme("Elsewhere.theme"), QVBrowseTypeIconImage), "Icons: Mail.png");
    EXPECT_TRUE(reader->isValidThemeAtDirectory(theme("Elsewhere.theme"), QVBrowseTypeIconImage));
    EXPECT_EQ(scan(theme("Elsewhere.theme"), QVBrowseTypeBackgroundImage), "Backgrounds: Wallpaper.png");

    image(theme("Mixed.theme/Icons/Own.png"));
    std::filesystem::create_symlink(layouts.root().hostPath("/var/mobile/Kept/Icons/Mail.png"), layouts.root().hostPath(theme("Mixed.theme/Icons/Linked.png")));
    link(theme("Mixed.theme/Bundles/App"), layouts.root().hostPath("/var/mobile/Kept/App"));
    EXPECT_EQ(scan(theme("Mixed.theme"), QVBrowseTypeIconImage), "Bundles: App/icon.png; Icons: Linked.png Own.png");

    // Off the device: the same images in a folder of this machine.
    qv::testing::TemporaryDirectory offDevice;
    std::filesystem::copy(layouts.root().hostPath("/var/mobile/Kept"), offDevice.path(), std::filesystem::copy_options::recursive);
    link(theme("OffDevice.theme"), offDevice.path());
    EXPECT_EQ(scan(theme("OffDevice.theme"), QVBrowseTypeIconImage), "");
    EXPECT_FALSE(reader->isValidThemeAtDirectory(theme("OffDevice.theme"), QVBrowseTypeBackgroundImage));
    std::filesystem::create_symlink(offDevice.path() / "Icons/Mail.png", layouts.root().hostPath(theme("Mixed.theme/Icons/Stolen.png")));
    EXPECT_EQ(scan(theme("Mixed.theme"), QVBrowseTypeIconImage), "Bundles: App/icon.png; Icons: Linked.png Own.png");

    // Loops: a theme that is a link to itself, an icon that is one, and a
    // bundle folder that leads back to its group, which is scanned once.
    link(theme("Loop.theme"), "Loop.theme");
    EXPECT_EQ(scan(theme("Loop.theme"), QVBrowseTypeIconImage), "");
    EXPECT_FALSE(reader->isValidThemeAtDirectory(theme("Loop.theme"), QVBrowseTypeIconImage));
    std::filesystem::create_symlink("Round.png", layouts.root().hostPath(theme("Mixed.theme/Icons/Round.png")));
    image(theme("Cycle.theme/Bundles/icon.png"));
    link(theme("Cycle.theme/Bundles/Back"), ".");
    EXPECT_EQ(scan(theme("Cycle.theme"), QVBrowseTypeIconImage), "Bundles: Back/icon.png");
    EXPECT_EQ(scan(theme("Mixed.theme"), QVBrowseTypeIconImage), "Bundles: App/icon.png; Icons: Linked.png Own.png");
}
