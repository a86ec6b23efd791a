#include "platform/Foundation/NSString.h"
#include "platform/objc/IconSupport/ISIconSupport.h"
#include "platform/objc/objc.h"
#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <thread>

using namespace qv;

namespace {

const std::string iconSupportPath = std::string(kSubstrateLibraryFolder) + "/IconSupport.dylib";

void installIconSupport(const qv::testing::TemporaryDeviceRoot& root)
{
    auto target = root.hostPath(iconSupportPath);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(qv::testing::buildDirectory()) / "lib/IconSupport.dylib", target);
}

} // namespace

// Declared first: once a test of this program has loaded IconSupport, it
// stays loaded for the rest of the process.
TEST(IconSupport, WhenNotInstalledRegisteringDoesNothing)
{
    if (objc_getClass("ISIconSupport"))
        GTEST_SKIP() << "IconSupport was loaded by an earlier test of this process";
    qv::testing::TemporaryDeviceRoot root;
    EXPECT_EQ(dlopenDevicePath(iconSupportPath, RTLD_NOW), nullptr);
    Class cls = objc_getClass("ISIconSupport");
    EXPECT_EQ(cls, nullptr);
    RefPtr<objc_object> shared = msgSend<RefPtr<objc_object>>(cls, "sharedInstance");
    EXPECT_EQ(shared, nullptr);
    msgSend(shared, "addExtension:", NSString::create("com.corvellan.Quilt-Vane"));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(ISIconSupport::extensionsPath)));
}

TEST(IconSupport, RecordsEachRegisteredIdentifierOnce)
{
    qv::testing::TemporaryDeviceRoot root;
    installIconSupport(root);
    EXPECT_EQ(MSLoadDynamicLibraries(), std::vector<std::string> { iconSupportPath });
    // The extension loads it once more by its path; that finds the same library.
    EXPECT_NE(dlopenDevicePath(iconSupportPath, RTLD_NOW), nullptr);

    Class cls = objc_getClass("ISIconSupport");
    ASSERT_NE(cls, nullptr);
    RefPtr<objc_object> shared = msgSend<RefPtr<objc_object>>(cls, "sharedInstance");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(msgSend<RefPtr<objc_object>>(cls, "sharedInstance"), shared);
    EXPECT_TRUE(msgSend<bool>(shared, "isKindOfClass:", cls));

    msgSend(shared, "addExtension:", NSString::create("com.corvellan.Quilt-Vane"));
    msgSend(shared, "addExtension:", NSString::create("com.example.Other"));
    msgSend(shared, "addExtension:", NSString::create("com.corvellan.Quilt-Vane"));
    msgSend(shared, "addExtension:", nullptr);
    EXPECT_EQ(root.readFile(ISIconSupport::extensionsPath), "com.corvellan.Quilt-Vane\ncom.example.Other\n");
}

// Extensions register from their own threads at times: the file ends up
// with every one of them, none lost to a write of an older list.
TEST(IconSupport, RegistrationsFromManyThreadsAreAllRecorded)
{
    qv::testing::TemporaryDeviceRoot root;
    if (!objc_getClass("ISIconSupport")) {
        installIconSupport(root);
        ASSERT_NE(dlopenDevicePath(iconSupportPath, RTLD_NOW), nullptr);
    }
    RefPtr<objc_object> shared = msgSend<RefPtr<objc_object>>(objc_getClass("ISIconSupport"), "sharedInstance");
    ASSERT_NE(shared, nullptr);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 8; ++thread) {
        threads.emplace_back([shared, thread] {
            for (int index = 0; index < 10; ++index)
                msgSend(shared, "addExtension:", NSString::create("com.example.Thread" + std::to_string(thread) + "." + std::to_string(index)));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::string recorded = root.readFile(ISIconSupport::extensionsPath);
    for (int thread = 0; thread < 8; ++thread) {
        for (int index = 0; index < 10; ++index) {
            std::string line = "com.example.Thread" + std::to_string(thread) + "." + std::to_string(index) + "\n";
            EXPECT_NE(recorded.find(line), std::string::npos) << line;
        }
    }
}
