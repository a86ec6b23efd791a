#include "SettingsTestSupport.h"
#include "hosts/settings/tests/SettingsHostProcess.h"
#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/tests/PeerProcess.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::settingstest;
using qv::testing::PeerProcess;
using qv::testing::TemporaryDeviceRoot;

namespace {

const std::vector<std::string> oneSwitchForm { "switch Enable=false" };

std::vector<std::string> fullForm(bool folders, bool hidden, bool placeholders)
{
    auto state = [](bool on) { return on ? "=true" : "=false"; };
    return { "group ", "switch Enable=true", "group Features", std::string("switch Folder Layouts") + state(folders),
        std::string("switch Hide Icons During Animations") + state(hidden), std::string("switch Placeholder Icons") + state(placeholders),
        "group Layouts", "link Layouts" };
}

// The Settings host with the bundle's page open, and another process of the
// device standing where the extension would: it observes the page's
// notifications and reads and writes the shared domain.
class RootPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(installDeviceRoot(root));
        extension = std::make_unique<PeerProcess>(QVPreferenceDomain);
        extension->command(std::string("observe ") + QVSettingsChangedNotification);
        extension->command("observe Marker");
        host = std::make_unique<SettingsHost>();
        host->expectOk("open Quiltvane");
    }

    // The SETTINGS_CHANGED posts the extension got since the last call: the
    // marker it posts itself arrives after every post made before it.
    size_t settingsChangedCount()
    {
        extension->command("post Marker");
        return extension->notificationsUntil("Marker").size();
    }


    // Notifications arrive on the host's run loop in their own time: the
    // rows are asked for again, a bounded number of times.
    bool rowsBecome(const std::vector<std::string>& expected)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (host->rows() == expected)
                return true;
            host->expectOk("wait 50");
        }
        EXPECT_EQ(host->rows(), expected);
        return false;
    }

    TemporaryDeviceRoot root;
    std::unique_ptr<PeerProcess> extension;
    std::unique_ptr<SettingsHost> host;
};

} // namespace

// Never written, "Enable" counts as off: the page shows the master switch
// alone. Turning it on stores a boolean YES, synchronises before it tells
// the extension, and shows the full page at once; off again shows the one
// switch.
TEST_F(RootPageTest, MasterSwitchChangesTheFormOfThePage)
{
    EXPECT_EQ(host->rows(), oneSwitchForm);
    EXPECT_EQ(host->command("toggle Enable"), "{\"ok\":true,\"command\":\"toggle Enable\",\"on\":true}");
    EXPECT_EQ(settingsChangedCount(), 1u);
    extension->command("sync");
    EXPECT_EQ(storedSwitches(root), "Enable=True");
    EXPECT_EQ(host->rows(), fullForm(false, false, false));

    EXPECT_EQ(host->command("toggle Enable"), "{\"ok\":true,\"command\":\"toggle Enable\",\"on\":false}");
    EXPECT_EQ(settingsChangedCount(), 1u);
    EXPECT_EQ(storedSwitches(root), "Enable=False");
    EXPECT_EQ(host->rows(), oneSwitchForm);
}

// Each feature switch writes its own key, tells the extension once, and
// leaves the rows as they are: with "Enable" switched off behind the page's
// back, a rebuild would show the one-switch form.
TEST_F(RootPageTest, FeatureSwitchesWriteTheirKeysWithoutRebuilding)
{
    host->expectOk("toggle Enable");
    EXPECT_EQ(settingsChangedCount(), 1u);
    extension->command("set Enable 0");
    extension->command("sync");

    host->expectOk("toggle Folder Layouts");
    EXPECT_EQ(settingsChangedCount(), 1u);
    extension->command("sync");
    EXPECT_EQ(extension->ask("get Enable"), "value 0");
    EXPECT_EQ(storedSwitches(root), "Enable='0' EnableFolderLayouts=True");

    host->expectOk("toggle Hide Icons During Animations");
    host->expectOk("toggle Placeholder Icons");
    EXPECT_EQ(settingsChangedCount(), 2u);
    EXPECT_EQ(storedSwitches(root), "Enable='0' EnableFolderLayouts=True EnableHiddenIcons=True EnablePlaceholders=True");
    EXPECT_EQ(host->rows(), fullForm(true, true, true)) << "the page still shows every row";

    host->expectOk("toggle Placeholder Icons");
    EXPECT_EQ(storedSwitches(root), "Enable='0' EnableFolderLayouts=True EnableHiddenIcons=True EnablePlaceholders=False");
    EXPECT_EQ(host->rows(), fullForm(true, true, false));
}

// When the extension switches itself off ("Enable" NO, synchronised, then
// RELOAD_SPECIFIERS), an open page falls back to the master switch, off.
TEST_F(RootPageTest, ReloadSpecifiersRebuildsTheOpenPage)
{
    host->expectOk("toggle Enable");
    host->expectOk("toggle Folder Layouts");
    EXPECT_EQ(host->rows(), fullForm(true, false, false));
    extension->command("unset Enable");
    extension->command("sync");
    extension->command(std::string("post ") + QVReloadSpecifiersNotification);
    EXPECT_TRUE(rowsBecome(oneSwitchForm));
}

// A page that has gone no longer observes: a RELOAD_SPECIFIERS after the
// user left the page reaches nothing, and the Settings app goes on.
TEST_F(RootPageTest, ALeftPageIsNotReachedByLateNotifications)
{
    host->expectOk("toggle Enable");
    host->expectOk("back");
    host->expectOk("wait 500");
    EXPECT_EQ(host->errorOf("rows"), "the page shown is no list of rows");
    extension->command(std::string("post ") + QVReloadSpecifiersNotification);
    host->expectOk("wait 200");
    host->expectOk("open Quiltvane");
    EXPECT_EQ(host->rows(), fullForm(false, false, false));
    EXPECT_EQ(host->quit(), 0);
}
