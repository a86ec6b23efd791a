#include "RuntimeTestClasses.h"

#include "platform/core/CoreTesting.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>

using namespace qv;
namespace fs = std::filesystem;

namespace {

fs::path builtLibrary(const std::string& fileName)
{
    return fs::path(qv::testing::buildDirectory()) / "lib" / fileName;
}

// A device root with its substrate folder.
class DeviceRootFixture : public ::testing::Test {
protected:
    qv::testing::TemporaryDeviceRoot root;
    fs::path substrate = root.hostPath(kSubstrateLibraryFolder);

    void SetUp() override { fs::create_directories(substrate); }

    void install(const fs::path& library, const std::string& name) { fs::copy_file(library, substrate / name); }
    void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
};

using SubstrateLoader = DeviceRootFixture;
using DevicePathDlopen = DeviceRootFixture;

class LoaderTarget : public objc_object { };

} // namespace

TEST_F(SubstrateLoader, LoadsEveryLibraryInNameOrderAndSkipsOnesThatFail)
{
    Class target = objc_allocateClassPair<LoaderTarget>(objc_getClass("NSObject"), "LoaderTarget");
    ASSERT_TRUE(target) << "the fixture hooks this one class, once per process";
    class_addMethod(target, sel_registerName("answer"), imp_implementationWithBlock([](id) { return int64_t { 42 }; }));
    objc_registerClassPair(target);
    Ref<LoaderTarget> instance = makeRef<LoaderTarget>();
    EXPECT_EQ(msgSend<int64_t>(instance, "answer"), 42);
    EXPECT_FALSE(msgSend<bool>(instance, "respondsToSelector:", sel_registerName("addedByFixture")));

    write(substrate / "Aardvark.dylib", "not a library at all");
    install(builtLibrary("qv_objc_loader_fixture.so"), "Hooks.dylib");
    write(substrate / "Hooks.plist", "{ Filter = { Bundles = ( \"com.apple.springboard\" ); }; }");
    write(substrate / "notes.txt", "ignored");

    LogCapture log;
    std::vector<std::string> loaded = MSLoadDynamicLibraries();
    EXPECT_EQ(loaded, std::vector<std::string> { "/Library/MobileSubstrate/DynamicLibraries/Hooks.dylib" });
    EXPECT_TRUE(log.contains("cannot load /Library/MobileSubstrate/DynamicLibraries/Aardvark.dylib"));
    EXPECT_TRUE(log.contains("skipped /Library/MobileSubstrate/DynamicLibraries/Aardvark.dylib"));
    std::vector<std::string> lines = log.lines();
    auto position = [&](const std::string& fragment) {
        return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
    };
    EXPECT_LT(position("loading /Library/MobileSubstrate/DynamicLibraries/Aardvark"), position("loading /Library/MobileSubstrate/DynamicLibraries/Hooks"));

    // The library's module constructor ran: its hook and its method are in effect.
    EXPECT_EQ(msgSend<int64_t>(instance, "answer"), 142);
    EXPECT_TRUE(msgSend<bool>(instance, "addedByFixture"));
}

TEST_F(SubstrateLoader, NoFolderOrNoRootLoadsNothing)
{
    fs::remove_all(substrate);
    EXPECT_TRUE(MSLoadDynamicLibraries().empty());
    qv::testing::ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    LogCapture log;
    EXPECT_TRUE(MSLoadDynamicLibraries().empty());
    EXPECT_TRUE(log.contains("QV_ROOT"));
}

TEST_F(DevicePathDlopen, LoadsOnlyLibrariesInsideTheDeviceRoot)
{
    // A library outside the root, and ways of naming it from inside.
    qv::testing::TemporaryDirectory outside;
    fs::copy_file(builtLibrary("qv_objc_loader_fixture.so"), outside.path() / "Outside.dylib");
    fs::create_symlink(outside.path() / "Outside.dylib", substrate / "Link.dylib");
    fs::create_directories(root.path() / "Library/Nested");
    fs::create_symlink(outside.path(), root.path() / "Library/Escape");
    install(builtLibrary("qv_objc_loader_fixture.so"), "Inside.dylib");

    std::string outsideFromRoot = "/../" + outside.path().filename().string() + "/Outside.dylib";
    struct Case {
        std::string devicePath;
        bool loads;
    };
    const Case cases[] = {
        { "/Library/MobileSubstrate/DynamicLibraries/Inside.dylib", true },
        { "/Library/Nested/../MobileSubstrate/./DynamicLibraries/Inside.dylib", true },
        { "/Library/MobileSubstrate/DynamicLibraries/Link.dylib", false },
        { "/Library/Escape/Outside.dylib", false },
        { outsideFromRoot, false },
        { "/../../../../../../../../" + outside.path().relative_path().string() + "/Outside.dylib", false },
        { "Library/MobileSubstrate/DynamicLibraries/Inside.dylib", false },
        { "/Library/MobileSubstrate/DynamicLibraries/Missing.dylib", false },
        { outside.string() + "/Outside.dylib", false }, // a machine path is a device path under the root
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.devicePath);
        LogCapture log;
        void* handle = dlopenDevicePath(c.devicePath, RTLD_NOW);
        EXPECT_EQ(handle != nullptr, c.loads);
        if (!c.loads) {
            EXPECT_FALSE(log.lines().empty()) << "a refusal says why";
        }
    }

    qv::testing::ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    EXPECT_EQ(dlopenDevicePath("/Library/MobileSubstrate/DynamicLibraries/Inside.dylib", RTLD_NOW), nullptr);
}
