#include "platform/Foundation/FileAccess.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>

using namespace qv;
using qv::testing::TemporaryDirectory;

namespace {

// What is in the folder, name and contents, one entry a line.
std::string listing(const std::filesystem::path& folder)
{
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        entries.push_back(entry.path().filename().string() + "=" + readHostFile(entry.path()).value_or("?"));
    std::sort(entries.begin(), entries.end());
    std::string text;
    for (const std::string& entry : entries)
        text += entry + "\n";
    return text;
}

} // namespace

// A file read, then changed by someone else before the write-back: the
// write-back happens only over the very file read, never makes a removed
// or renamed file again, and leaves no file of its own behind.
TEST(FileReplacement, WritesOnlyOverTheFileRead)
{
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path& file)> meanwhile;
        int error;            // 0: replaced
        const char* listing;  // the folder afterwards
    };
    const Case cases[] = {
        { "left alone", [](const std::filesystem::path&) {}, 0, "Blue.plist=new\n" },
        { "removed", [](const std::filesystem::path& file) { std::filesystem::remove(file); }, ENOENT, "" },
        { "renamed", [](const std::filesystem::path& file) { std::filesystem::rename(file, file.parent_path() / "Green.plist"); }, ENOENT,
            "Green.plist=old\n" },
        { "replaced by a new file", [](const std::filesystem::path& file) { ASSERT_TRUE(writeHostFile(file, "theirs", true)); }, ESTALE,
            "Blue.plist=theirs\n" },
        { "written in place", [](const std::filesystem::path& file) { ASSERT_TRUE(writeHostFile(file, "olden", false)); }, ESTALE,
            "Blue.plist=olden\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory folder;
        const std::filesystem::path file = folder.path() / "Blue.plist";
        ASSERT_TRUE(writeHostFile(file, "old", true, nullptr, 0600));
        HostFileVersion version;
        ASSERT_EQ(readHostFile(file, 1024, nullptr, &version), "old");
        c.meanwhile(file);

        std::error_code error;
        EXPECT_EQ(replaceHostFile(file, "new", version, &error), c.error == 0);
        EXPECT_EQ(error.value(), c.error) << error.message();
        EXPECT_EQ(listing(folder.path()), c.listing);
        struct stat status {};
        if (c.error == 0) {
            ASSERT_EQ(::stat(file.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, 0600u) << "the file's permissions are kept";
        }
    }
}

// The version a read reports changes with every write, atomic or not.
TEST(FileReplacement, EveryWriteMakesAnotherVersion)
{
    TemporaryDirectory folder;
    const std::filesystem::path file = folder.path() / "Blue.plist";
    ASSERT_TRUE(writeHostFile(file, "one", true));
    HostFileVersion first, again, replaced, rewritten;
    ASSERT_TRUE(readHostFile(file, 1024, nullptr, &first));
    ASSERT_TRUE(readHostFile(file, 1024, nullptr, &again));
    EXPECT_EQ(first, again);
    ASSERT_TRUE(writeHostFile(file, "one", true));
    ASSERT_TRUE(readHostFile(file, 1024, nullptr, &replaced));
    EXPECT_NE(replaced, first) << "the same bytes in a new file";
    ASSERT_TRUE(writeHostFile(file, "two!", false));
    ASSERT_TRUE(readHostFile(file, 1024, nullptr, &rewritten));
    EXPECT_NE(rewritten, replaced) << "the same file written again";
}
