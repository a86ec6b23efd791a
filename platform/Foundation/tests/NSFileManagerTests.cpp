#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSFileManager.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace qv;
using qv::testing::TemporaryDeviceRoot;

namespace {

constexpr const char* layouts = "/var/mobile/Library/Quiltvane/Layouts";

class NSFileManagerTest : public ::testing::Test {
protected:
    std::vector<std::string> namesIn(const std::string& path) const
    {
        std::vector<std::string> names;
        if (auto contents = files->contentsOfDirectoryAtPath(path)) {
            for (auto& name : contents->objects())
                names.push_back(name->description());
        }
        return names;
    }

    TemporaryDeviceRoot root;
    Ref<NSFileManager> files = NSFileManager::defaultManager();
};

} // namespace

TEST_F(NSFileManagerTest, CreatesFoldersAndTellsWhatExists)
{
    RefPtr<NSError> error;
    EXPECT_FALSE(files->createDirectoryAtPath(layouts, false, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
    ASSERT_TRUE(error->underlyingError());
    EXPECT_EQ(error->underlyingError()->domain(), NSPOSIXErrorDomain);
    EXPECT_EQ(error->underlyingError()->code(), ENOENT);

    EXPECT_TRUE(files->createDirectoryAtPath(layouts, true));
    EXPECT_TRUE(std::filesystem::is_directory(root.hostPath(layouts)));
    EXPECT_TRUE(files->createDirectoryAtPath(layouts, true));
    error = nullptr;
    EXPECT_FALSE(files->createDirectoryAtPath(layouts, false, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileWriteFileExistsError);

    bool isDirectory = false;
    EXPECT_TRUE(files->fileExistsAtPath(layouts, isDirectory));
    EXPECT_TRUE(isDirectory);
    root.writeFile("/var/mobile/Library/Quiltvane/Layouts/Default.plist", "x");
    EXPECT_TRUE(files->fileExistsAtPath("/var/mobile/Library/Quiltvane/Layouts/Default.plist", isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_FALSE(files->fileExistsAtPath("/var/mobile/Library/Quiltvane/Layouts/Missing.plist", isDirectory));
    // A file where a folder should be.
    EXPECT_FALSE(files->createDirectoryAtPath("/var/mobile/Library/Quiltvane/Layouts/Default.plist", true));
    EXPECT_FALSE(files->createDirectoryAtPath("/var/mobile/Library/Quiltvane/Layouts/Default.plist/inner", true));
}

TEST_F(NSFileManagerTest, ListsFolderContentsSorted)
{
    for (const char* name : { "b.plist", "a.plist", "C.plist", ".hidden", "Blue Grid.plist" })
        root.writeFile(std::string(layouts) + "/" + name, "");
    std::filesystem::create_directories(root.hostPath(std::string(layouts) + "/folder"));
    EXPECT_EQ(namesIn(layouts), (std::vector<std::string> { ".hidden", "Blue Grid.plist", "C.plist", "a.plist", "b.plist", "folder" }));
    EXPECT_TRUE(namesIn(std::string(layouts) + "/folder").empty());
    EXPECT_TRUE(files->contentsOfDirectoryAtPath(std::string(layouts) + "/folder"));

    RefPtr<NSError> error;
    EXPECT_FALSE(files->contentsOfDirectoryAtPath("/missing", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileReadNoSuchFileError);
    EXPECT_FALSE(files->contentsOfDirectoryAtPath(std::string(layouts) + "/a.plist"));
}

TEST_F(NSFileManagerTest, RemovesFilesAndFolders)
{
    root.writeFile("/Library/Themes/Glass/Icons/Safari.png", "png");
    root.writeFile("/single.plist", "x");
    EXPECT_TRUE(files->removeItemAtPath("/single.plist"));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath("/single.plist")));
    EXPECT_TRUE(files->removeItemAtPath("/Library/Themes/Glass"));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath("/Library/Themes/Glass")));
    EXPECT_TRUE(std::filesystem::exists(root.hostPath("/Library/Themes")));

    RefPtr<NSError> error;
    EXPECT_FALSE(files->removeItemAtPath("/single.plist", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
    // The device's own root stays, whatever is asked.
    EXPECT_FALSE(files->removeItemAtPath("/"));
    EXPECT_FALSE(files->removeItemAtPath("/Library/.."));
    EXPECT_TRUE(std::filesystem::is_directory(root.hostPath("/Library/Themes")));
}

TEST_F(NSFileManagerTest, MovesOnlyOntoFreePlaces)
{
    root.writeFile("/Layouts/Old Name.plist", "old");
    root.writeFile("/Layouts/Taken.plist", "taken");
    EXPECT_TRUE(files->moveItemAtPath("/Layouts/Old Name.plist", "/Layouts/New Name.plist"));
    EXPECT_EQ(root.readFile("/Layouts/New Name.plist"), "old");
    EXPECT_FALSE(files->fileExistsAtPath("/Layouts/Old Name.plist"));

    RefPtr<NSError> error;
    EXPECT_FALSE(files->moveItemAtPath("/Layouts/New Name.plist", "/Layouts/Taken.plist", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileWriteFileExistsError);
    EXPECT_NE(error->localizedDescription().find("already exists"), std::string::npos);
    EXPECT_EQ(root.readFile("/Layouts/New Name.plist"), "old");
    EXPECT_EQ(root.readFile("/Layouts/Taken.plist"), "taken");

    error = nullptr;
    EXPECT_FALSE(files->moveItemAtPath("/Layouts/Missing.plist", "/Layouts/Other.plist", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
    EXPECT_FALSE(files->moveItemAtPath("/Layouts/New Name.plist", "/Missing Folder/x.plist"));
    EXPECT_EQ(root.readFile("/Layouts/New Name.plist"), "old");
    // Folders move whole.
    EXPECT_TRUE(files->moveItemAtPath("/Layouts", "/Moved"));
    EXPECT_EQ(root.readFile("/Moved/Taken.plist"), "taken");
}

TEST_F(NSFileManagerTest, ReplacesAFileOrTakesAFreePlaceAndOnFailureChangesNothing)
{
    root.writeFile("/Downloads/Answer.txt", "old");
    root.writeFile("/tmp/new", "new");
    EXPECT_TRUE(files->replaceItemAtPath("/Downloads/Answer.txt", "/tmp/new"));
    EXPECT_EQ(root.readFile("/Downloads/Answer.txt"), "new");
    EXPECT_FALSE(files->fileExistsAtPath("/tmp/new"));
    root.writeFile("/tmp/other", "other");
    EXPECT_TRUE(files->replaceItemAtPath("/Downloads/Fresh.txt", "/tmp/other"));
    EXPECT_EQ(root.readFile("/Downloads/Fresh.txt"), "other");

    struct Case {
        const char* name;
        const char* place;
        const char* replacement;
        NSInteger code;
    };
    root.writeFile("/Downloads/Folder/Kept.txt", "kept");
    root.writeFile("/tmp/replacement", "replacement");
    const Case cases[] = {
        { "nothing to put there", "/Downloads/Answer.txt", "/tmp/missing", NSFileNoSuchFileError },
        { "no folder for the place", "/Missing Folder/Answer.txt", "/tmp/replacement", NSFileNoSuchFileError },
        { "a folder in the place", "/Downloads/Folder", "/tmp/replacement", NSFileWriteUnknownError },
        { "a place outside the device", "/../Answer.txt", "/tmp/replacement", NSFileWriteNoPermissionError },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RefPtr<NSError> error;
        EXPECT_FALSE(files->replaceItemAtPath(c.place, c.replacement, &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), c.code);
        EXPECT_EQ(root.readFile("/Downloads/Answer.txt"), "new");
        EXPECT_EQ(root.readFile("/Downloads/Folder/Kept.txt"), "kept");
        EXPECT_EQ(root.readFile("/tmp/replacement"), "replacement");
    }
}

// Removing or moving a symbolic link acts on the link: what it points to
// stays where it is, whole, and a move never writes through a link that
// stands at the destination.
TEST_F(NSFileManagerTest, RemovesAndMovesLinksNotWhatTheyPointTo)
{
    root.writeFile("/private/var/mobile/Layouts/Mine.plist", "mine");
    root.writeFile("/private/var/mobile/Layouts/Theirs.plist", "theirs");
    root.writeFile("/Layouts/Incoming.plist", "incoming");
    std::filesystem::create_directory_symlink("private/var/mobile/Layouts", root.hostPath("/Shortcut"));
    std::filesystem::create_directory_symlink("private/var/mobile/Layouts", root.hostPath("/Other Shortcut"));
    std::filesystem::create_symlink("/private/var/mobile/Layouts/Mine.plist", root.hostPath("/Layouts/Link.plist"));
    std::filesystem::create_symlink("Nowhere.plist", root.hostPath("/Layouts/Dangling.plist"));

    EXPECT_TRUE(files->removeItemAtPath("/Shortcut"));
    EXPECT_FALSE(std::filesystem::is_symlink(root.hostPath("/Shortcut")));
    EXPECT_EQ(root.readFile("/private/var/mobile/Layouts/Mine.plist"), "mine");

    EXPECT_TRUE(files->moveItemAtPath("/Other Shortcut", "/Renamed Shortcut"));
    EXPECT_TRUE(std::filesystem::is_symlink(root.hostPath("/Renamed Shortcut")));
    EXPECT_EQ(root.readFile("/Renamed Shortcut/Theirs.plist"), "theirs");
    EXPECT_TRUE(std::filesystem::is_directory(root.hostPath("/private/var/mobile/Layouts")));

    // A link at the destination is an entry that is already there, even one
    // whose target is missing.
    for (const char* taken : { "/Layouts/Link.plist", "/Layouts/Dangling.plist" }) {
        SCOPED_TRACE(taken);
        RefPtr<NSError> error;
        EXPECT_FALSE(files->moveItemAtPath("/Layouts/Incoming.plist", taken, &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), NSFileWriteFileExistsError);
    }
    EXPECT_EQ(root.readFile("/private/var/mobile/Layouts/Mine.plist"), "mine");
    EXPECT_FALSE(std::filesystem::exists(root.hostPath("/Layouts/Nowhere.plist")));
    EXPECT_EQ(root.readFile("/Layouts/Incoming.plist"), "incoming");

    // Folders above the entry are still followed.
    EXPECT_TRUE(files->removeItemAtPath("/Renamed Shortcut/Theirs.plist"));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath("/private/var/mobile/Layouts/Theirs.plist")));
}

TEST_F(NSFileManagerTest, CopiesOnlyOntoFreePlaces)
{
    root.writeFile("/cache/body", "response");
    root.writeFile("/cache/headers/one", "h");
    EXPECT_TRUE(files->copyItemAtPath("/cache/body", "/download"));
    EXPECT_EQ(root.readFile("/download"), "response");
    EXPECT_EQ(root.readFile("/cache/body"), "response");
    EXPECT_TRUE(files->copyItemAtPath("/cache", "/cache copy"));
    EXPECT_EQ(root.readFile("/cache copy/headers/one"), "h");

    RefPtr<NSError> error;
    EXPECT_FALSE(files->copyItemAtPath("/cache/body", "/download", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileWriteFileExistsError);
    EXPECT_FALSE(files->copyItemAtPath("/missing", "/elsewhere"));
}

TEST_F(NSFileManagerTest, AttributesGiveSizeTypeAndDate)
{
    root.writeFile("/body", std::string(1234, 'x'));
    auto attributes = files->attributesOfItemAtPath("/body");
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->numberForKey(NSFileSize)->longLongValue(), 1234);
    EXPECT_EQ(attributes->stringForKey(NSFileType)->string(), NSFileTypeRegular);
    auto modified = attributes->dateForKey(NSFileModificationDate);
    ASSERT_TRUE(modified);
    EXPECT_LT(std::abs(modified->timeIntervalSince1970() - NSDate::date()->timeIntervalSince1970()), 24 * 3600.0);
    EXPECT_EQ(files->attributesOfItemAtPath("/")->stringForKey(NSFileType)->string(), NSFileTypeDirectory);

    RefPtr<NSError> error;
    EXPECT_FALSE(files->attributesOfItemAtPath("/missing", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSFileReadNoSuchFileError);
    EXPECT_EQ(error->userInfo()->stringForKey(NSFilePathErrorKey)->string(), "/missing");
}

TEST_F(NSFileManagerTest, DataReadsAndWritesWholeFiles)
{
    const std::string bytes("\x00\x01\xfe\xff", 4);
    auto data = NSData::dataWithBytes(bytes.data(), bytes.size());
    for (bool atomically : { true, false }) {
        SCOPED_TRACE(atomically);
        root.writeFile("/files/data", "old contents");
        ASSERT_TRUE(data->writeToFile("/files/data", atomically));
        auto read = NSData::dataWithContentsOfFile("/files/data");
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->isEqual(data.ptr()));
        // No temporary file is left beside the target.
        EXPECT_EQ(namesIn("/files"), std::vector<std::string> { "data" });
    }
    EXPECT_FALSE(NSData::dataWithContentsOfFile("/files/missing"));
    EXPECT_FALSE(NSData::dataWithContentsOfFile("/files"));
    EXPECT_FALSE(data->writeToFile("/no folder/data", true));
    EXPECT_TRUE(NSData::create()->writeToFile("/files/empty", true));
    EXPECT_EQ(NSData::dataWithContentsOfFile("/files/empty")->length(), 0u);
}

// Any name the file system takes is written atomically too: the temporary
// file's name, longer than the target's, is shortened to fit (at a
// character's start), and none is left behind.
TEST_F(NSFileManagerTest, AtomicWritesTakeTheLongestNames)
{
    ASSERT_TRUE(files->createDirectoryAtPath("/long", true));
    std::string accented;
    for (int count = 0; count < 127; ++count)
        accented += "\xc3\xa9";
    for (const std::string& name : { std::string(255, 'n'), std::string(248, 'n'), accented + "x", std::string(241, 'n') }) {
        SCOPED_TRACE(name.size());
        auto layout = NSDictionary::create({ { "QV", true } });
        ASSERT_TRUE(layout->writeToFile("/long/" + name, true));
        ASSERT_TRUE(layout->writeToFile("/long/" + name, true)) << "over the file just written";
        EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile("/long/" + name)->isEqual(layout.ptr()));
        EXPECT_TRUE(NSData::dataWithBytes("x", 1)->writeToFile("/long/" + name, true));
        EXPECT_EQ(namesIn("/long"), std::vector<std::string> { name });
        ASSERT_TRUE(files->removeItemAtPath("/long/" + name));
    }
    EXPECT_FALSE(NSData::dataWithBytes("x", 1)->writeToFile("/long/" + std::string(256, 'n'), true)) << "too long for the file system";
    EXPECT_TRUE(namesIn("/long").empty());
}

// A write that fails halfway (here: the file-size limit) leaves the old
// file whole and no temporary file behind, and says it failed.
TEST_F(NSFileManagerTest, FailedAtomicWriteKeepsTheOldFile)
{
    auto layout = NSDictionary::create({ { "QV", true } });
    ASSERT_TRUE(layout->writeToFile("/Layout.plist", true));
    const std::string before = root.readFile("/Layout.plist");

    auto large = NSDictionary::create({ { "blob", NSData::create(std::vector<uint8_t>(100000, 7)) } });
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit {};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = large->writeToFile("/Layout.plist", true);
    bool dataWritten = NSData::create(std::vector<uint8_t>(100000, 7))->writeToFile("/Layout.plist", true);
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(dataWritten);
    EXPECT_EQ(root.readFile("/Layout.plist"), before);
    EXPECT_EQ(namesIn("/"), std::vector<std::string> { "Layout.plist" });
    EXPECT_TRUE(NSDictionary::dictionaryWithContentsOfFile("/Layout.plist")->isEqual(layout.ptr()));
}
