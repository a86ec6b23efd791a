#include "SettingsHostProcess.h"

#include <filesystem>
#include <fstream>

using namespace qv;
using namespace qv::settingstest;
using qv::testing::TemporaryDeviceRoot;

namespace {

// A second bundle beside the real one, with its Settings entry, made from
// parts of the real one so that each case can break one thing.
class BrokenBundleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(installDeviceRoot(root)); }

    void addBundle(const std::string& name, const std::string& label, const std::string& principalClass, const std::string& library)
    {
        const std::string folder = "/Library/PreferenceBundles/" + name + ".bundle";
        root.writeFile(folder + "/Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>CFBundleExecutable</key><string>"
                + name + "</string><key>NSPrincipalClass</key><string>" + principalClass + "</string></dict></plist>\n");
        if (!library.empty())
            root.writeFile(folder + "/" + name, library);
        root.writeFile("/Library/PreferenceLoader/Preferences/" + name + ".plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>entry</key><dict>"
            "<key>bundle</key><string>"
                + name + "</string><key>label</key><string>" + label + "</string></dict></dict></plist>\n");
    }

    std::string realLibrary() const { return root.readFile("/Library/PreferenceBundles/QuiltvanePrefs.bundle/QuiltvanePrefs"); }

    TemporaryDeviceRoot root;
};

} // namespace

// The host lists the bundles of the device root by their entries' labels
// and opens the installed bundle's page by label or by bundle name.
TEST(SettingsHost, ListsAndOpensTheInstalledBundle)
{
    TemporaryDeviceRoot root;
    ASSERT_NO_FATAL_FAILURE(installDeviceRoot(root));
    root.writeFile("/Library/PreferenceBundles/Loose.bundle/Info.plist", "<plist version=\"1.0\"><dict/></plist>");
    SettingsHost host;
    EXPECT_EQ(host.command("bundles"),
        "{\"ok\":true,\"command\":\"bundles\",\"bundles\":[{\"label\":\"Loose\",\"bundle\":\"Loose\",\"path\":\"/Library/PreferenceBundles/Loose.bundle\"},"
        "{\"label\":\"Quiltvane\",\"bundle\":\"QuiltvanePrefs\",\"path\":\"/Library/PreferenceBundles/QuiltvanePrefs.bundle\"}]}");
    EXPECT_EQ(host.command("open Quiltvane"), "{\"ok\":true,\"command\":\"open Quiltvane\",\"page\":\"QuiltvanePrefsListController\"}");
    EXPECT_EQ(host.command("open QuiltvanePrefs"), "{\"ok\":true,\"command\":\"open QuiltvanePrefs\",\"page\":\"QuiltvanePrefsListController\"}");
    EXPECT_EQ(host.rows(), (std::vector<std::string> { "switch Enable=false" }));
    EXPECT_EQ(host.errorOf("open Nothing"), "no preference bundle \"Nothing\"");
    EXPECT_EQ(host.errorOf("select Nothing"), "no row \"Nothing\" on the page shown");
    EXPECT_EQ(host.errorOf("toggle Nothing"), "no row \"Nothing\" on the page shown");
    EXPECT_EQ(host.quit(), 0);
}

// A bundle whose library is missing, is no library, or lacks its principal
// class gives a clear error; the host keeps running and still opens the
// sound bundle.
TEST_F(BrokenBundleTest, ClearErrorsAndTheHostKeepsRunning)
{
    addBundle("Missing", "Missing", "MissingController", "");
    addBundle("Garbage", "Garbage", "GarbageController", "this is not a shared library\n");
    addBundle("Classless", "Classless", "NoSuchController", realLibrary());
    addBundle("NotAPage", "NotAPage", "NSObject", realLibrary());
    SettingsHost host;
    EXPECT_EQ(host.errorOf("open Missing"), "the library /Library/PreferenceBundles/Missing.bundle/Missing of Missing is missing");
    std::string garbage = host.errorOf("open Garbage");
    EXPECT_EQ(garbage.rfind("the library /Library/PreferenceBundles/Garbage.bundle/Garbage of Garbage cannot be loaded: ", 0), 0u) << garbage;
    EXPECT_EQ(host.errorOf("open Classless"), "the bundle Classless has no usable principal class: no class named NoSuchController");
    EXPECT_EQ(host.errorOf("open NotAPage"), "the bundle NotAPage has no usable principal class: NSObject is not a PSViewController");
    root.writeFile("/Library/PreferenceBundles/Missing.bundle/Info.plist", "not a property list");
    EXPECT_EQ(host.errorOf("open Missing"), "the bundle Missing has no readable /Library/PreferenceBundles/Missing.bundle/Info.plist");

    EXPECT_EQ(host.command("open Quiltvane"), "{\"ok\":true,\"command\":\"open Quiltvane\",\"page\":\"QuiltvanePrefsListController\"}");
    EXPECT_EQ(host.rows(), (std::vector<std::string> { "switch Enable=false" }));
    EXPECT_EQ(host.quit(), 0);
}
