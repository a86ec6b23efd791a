#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/core/CoreTesting.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/VirtualClock.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace qv;
using qv::testing::ScopedEnvironment;
using qv::testing::TemporaryDeviceRoot;
using qv::testing::TemporaryDirectory;

namespace {

// Tries every kind of access the file layer offers at a device path.
void tryEverything(const std::string& path)
{
    auto files = NSFileManager::defaultManager();
    RefPtr<NSError> error;
    EXPECT_FALSE(files->createDirectoryAtPath(path + "/folder", true, &error)) << path;
    EXPECT_TRUE(error) << path;
    EXPECT_FALSE(NSDictionary::create({ { "QV", true } })->writeToFile(path + "/layout.plist", true)) << path;
    EXPECT_FALSE(NSData::dataWithBytes("x", 1)->writeToFile(path + "/data", false)) << path;
    EXPECT_FALSE(files->moveItemAtPath("/moved", path + "/moved")) << path;
    EXPECT_FALSE(files->copyItemAtPath("/moved", path + "/copied")) << path;
}

} // namespace

// With no device root the layer refuses every device path, even those
// that exist on this machine, and says why in the log.
TEST(DeviceRoot, RefusesEveryPathWithoutARoot)
{
    const std::string probe = "/var/qv-refusal-" + std::to_string(getpid());
    ASSERT_FALSE(std::filesystem::exists(probe));
    for (std::optional<std::string> value : { std::optional<std::string>(), std::optional<std::string>(""),
             std::optional<std::string>("relative/root"), std::optional<std::string>("/"),
             std::optional<std::string>("/nonexistent-qv-root") }) {
        SCOPED_TRACE(value.value_or("(unset)"));
        ScopedEnvironment noRoot("QV_ROOT", value);
        LogCapture log;
        EXPECT_FALSE(DeviceRoot::resolve("/var/mobile/Library/Quiltvane/Layouts"));
        EXPECT_TRUE(log.contains("QV_ROOT"));
        auto files = NSFileManager::defaultManager();
        EXPECT_FALSE(files->fileExistsAtPath("/"));
        EXPECT_FALSE(files->fileExistsAtPath("/etc/passwd"));
        EXPECT_FALSE(NSData::dataWithContentsOfFile("/etc/passwd"));
        EXPECT_FALSE(files->contentsOfDirectoryAtPath("/"));
        EXPECT_FALSE(files->attributesOfItemAtPath("/etc/passwd"));
        tryEverything(probe);
        EXPECT_FALSE(std::filesystem::exists(probe));
    }
}

TEST(DeviceRoot, ResolvesDevicePathsUnderTheRoot)
{
    TemporaryDeviceRoot root;
    auto canonicalRoot = std::filesystem::canonical(root.path());
    struct Case {
        const char* devicePath;
        const char* hostPath; // relative to the root; null when refused
    };
    const Case cases[] = {
        { "/var/mobile/Library/Quiltvane/Layouts", "var/mobile/Library/Quiltvane/Layouts" },
        { "/Library/Application Support/Quiltvane/Layouts/Default.plist", "Library/Application Support/Quiltvane/Layouts/Default.plist" },
        { "/", "" },
        { "//var/./mobile//", "var/mobile" },
        { "/var/mobile/../tmp", "var/tmp" },
        { "/..", nullptr },
        { "/var/../../etc/passwd", nullptr },
        { "/var/mobile/../../..", nullptr },
        { "relative/path", nullptr },
        { "", nullptr },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.devicePath);
        auto resolved = DeviceRoot::resolve(row.devicePath);
        if (!row.hostPath) {
            EXPECT_FALSE(resolved);
            continue;
        }
        ASSERT_TRUE(resolved);
        EXPECT_EQ(*resolved, std::string(row.hostPath).empty() ? canonicalRoot : canonicalRoot / row.hostPath);
    }
    EXPECT_FALSE(DeviceRoot::resolve(std::string("/var\0/../../etc", 15)));
}

// Links inside the root may point anywhere inside it; one that leads out
// is refused, so nothing outside the root is read or changed through it.
TEST(DeviceRoot, NeverReachesOutsideTheRoot)
{
    TemporaryDirectory outside;
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/private/var/mobile"));
    std::filesystem::create_directory_symlink("private/var", root.hostPath("/var"));
    std::filesystem::create_directory_symlink(outside.path(), root.hostPath("/escape"));
    std::filesystem::create_directory_symlink("../../..", root.hostPath("/private/var/up"));
    {
        std::ofstream secret(outside.path() / "secret.plist");
        secret << "<plist><dict/></plist>";
    }

    auto files = NSFileManager::defaultManager();
    EXPECT_TRUE(files->createDirectoryAtPath("/var/mobile/Library", true));
    EXPECT_TRUE(std::filesystem::is_directory(root.hostPath("/private/var/mobile/Library")));

    LogCapture log;
    EXPECT_FALSE(DeviceRoot::resolve("/escape/secret.plist"));
    EXPECT_TRUE(log.contains("outside the device root"));
    EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile("/escape/secret.plist"));
    EXPECT_FALSE(files->fileExistsAtPath("/escape"));
    EXPECT_FALSE(files->removeItemAtPath("/escape/secret.plist"));
    for (const char* path : { "/escape", "/escape/inner", "/var/up", "/var/up/up", "/../escape" })
        tryEverything(path);
    // Nothing appeared outside, and nothing there went.
    std::vector<std::string> outsideNames;
    for (auto& entry : std::filesystem::directory_iterator(outside.path()))
        outsideNames.push_back(entry.path().filename().string());
    EXPECT_EQ(outsideNames, std::vector<std::string> { "secret.plist" });
}

// State bound to the device root is made afresh on another device: at once
// for another root name, and for a folder made again under the same name
// from the next pass of a run loop on (it is asked for many times a pass).
TEST(DeviceRoot, BoundStateStartsAfreshOnAnotherDevice)
{
    int made = 0;
    RootBound<int> state([&] { return ++made; });
    TemporaryDirectory first;
    TemporaryDirectory second;
    ScopedEnvironment root("QV_ROOT", first.string());
    EXPECT_EQ(state.get(), 1);
    EXPECT_EQ(state.get(), 1) << "the same device";
    {
        ScopedEnvironment other("QV_ROOT", second.string());
        EXPECT_EQ(state.get(), 2) << "another name";
    }
    EXPECT_EQ(state.get(), 3) << "back to the first name";

    // The old folder is kept aside while the new one is made, so the new
    // one cannot have its identity.
    std::filesystem::path aside = first.path().string() + ".old";
    std::filesystem::rename(first.path(), aside);
    std::filesystem::create_directory(first.path());
    EXPECT_EQ(state.get(), 3) << "looked at again only after a pass";
    NSRunLoop::currentRunLoop()->performInModes({ NSDefaultRunLoopMode }, [] { });
    NSRunLoop::currentRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::now());
    EXPECT_EQ(state.get(), 4) << "the folder made again is another device";
    EXPECT_EQ(state.get(), 4);
    std::filesystem::remove_all(aside);
}
