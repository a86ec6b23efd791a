#include "platform/Foundation/FileAccess.h"
#include "platform/Foundation/FoundationTesting.h"
#include "platform/core/CoreTesting.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <stdio.h>
#include <sys/stat.h>

using namespace qv;
using qv::testing::TemporaryDirectory;

namespace {

// What is in the folder, name and contents, one entry a line; a hidden
// temporary name shows its random end as "XXXXXX".
std::string listing(const std::filesystem::path& folder)
{
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(".") && name.size() > 7)
            name.replace(name.size() - 6, 6, "XXXXXX");
        entries.push_back(name + "=" + readHostFile(entry.path()).value_or("?"));
    }
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

// The file swapped out is not the one read (the user saved it anew), and
// between that swap and the one that puts it back the path is renamed,
// removed or saved again, or the swap back fails: no file the user saved
// is lost. What cannot go back under the path stays under its hidden name.
TEST(FileReplacement, AFileSavedMeanwhileIsNeverRemovedWhateverTheSwapBackFinds)
{
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path& file)> betweenTheSwaps;
        int swapBackError; // injected; 0: the real swap
        const char* listing;
    };
    const Case cases[] = {
        { "renamed", [](const std::filesystem::path& file) { std::filesystem::rename(file, file.parent_path() / "Green.plist"); }, 0,
            "Blue.plist=newer\nGreen.plist=new\n" },
        { "removed", [](const std::filesystem::path& file) { std::filesystem::remove(file); }, 0, "Blue.plist=newer\n" },
        { "saved again", [](const std::filesystem::path& file) { ASSERT_TRUE(writeHostFile(file, "newest", true)); }, 0,
            ".Blue.plist.XXXXXX=newest\nBlue.plist=newer\n" },
        { "swap back fails", [](const std::filesystem::path&) {}, EIO, ".Blue.plist.XXXXXX=newer\nBlue.plist=new\n" },
        { "renamed and the swap back fails", [](const std::filesystem::path& file) { std::filesystem::rename(file, file.parent_path() / "Green.plist"); },
            EIO, "Blue.plist=newer\nGreen.plist=new\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory folder;
        const std::filesystem::path file = folder.path() / "Blue.plist";
        ASSERT_TRUE(writeHostFile(file, "old", true));
        HostFileVersion version;
        ASSERT_EQ(readHostFile(file, 1024, nullptr, &version), "old");
        ASSERT_TRUE(writeHostFile(file, "newer", true));

        int swaps = 0;
        ScopedFileSwap swap([&](const std::string& first, const std::string& second) {
            if (++swaps == 2 && c.swapBackError)
                return c.swapBackError;
            int result = ::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
            if (swaps == 1)
                c.betweenTheSwaps(file);
            return result;
        });
        LogCapture log;
        std::error_code error;
        EXPECT_FALSE(replaceHostFile(file, "new", version, &error));
        EXPECT_EQ(error.value(), ESTALE) << error.message();
        EXPECT_EQ(swaps, 2);
        const std::string after = listing(folder.path());
        EXPECT_EQ(after, c.listing);
        EXPECT_EQ(log.contains("is kept as"), after.find(".Blue.plist.") != std::string::npos) << after;
    }
}

// A copy put in a file's place goes beside it first: the place holds the
// old file or the whole copy, a failure leaves it and no temporary file, and
// a name as long as the folder allows still gets its temporary file.
TEST(FileReplacement, ACopyTakesAFilesPlaceWholeOrNotAtAll)
{
    TemporaryDirectory folder, elsewhere;
    const std::filesystem::path source = elsewhere.path() / "new";
    ASSERT_TRUE(writeHostFile(source, "new bytes", true));
    const std::string longName(NAME_MAX, 'n');
    for (const std::string& name : { std::string("Answer.txt"), longName }) {
        SCOPED_TRACE(name.size());
        const std::filesystem::path target = folder.path() / name;
        ASSERT_TRUE(writeHostFile(target, "old", true));
        std::error_code error;
        EXPECT_TRUE(copyHostFileOver(target, source, &error)) << error.message();
        EXPECT_EQ(listing(folder.path()), name + "=new bytes\n");
        EXPECT_EQ(readHostFile(source).value_or("?"), "new bytes") << "the source stays";
        std::filesystem::remove(target);
    }
    EXPECT_TRUE(copyHostFileOver(folder.path() / "Fresh.txt", source));
    EXPECT_EQ(listing(folder.path()), "Fresh.txt=new bytes\n");

    std::error_code error;
    EXPECT_FALSE(copyHostFileOver(folder.path() / "Fresh.txt", elsewhere.path() / "missing", &error));
    EXPECT_EQ(error.value(), ENOENT);
    EXPECT_EQ(listing(folder.path()), "Fresh.txt=new bytes\n") << "nothing changed, nothing left beside it";
}
