#include "platform/Foundation/PathUtilities.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(PathUtilities, FollowTheDevicesHelpers)
{
    struct Case {
        const char* path;
        const char* lastComponent;
        const char* withoutLastComponent;
        const char* extension;
        const char* withoutExtension;
    };
    const Case cases[] = {
        { "/tmp/scratch.tiff", "scratch.tiff", "/tmp", "tiff", "/tmp/scratch" },
        { "/tmp/lock/", "lock", "/tmp", "", "/tmp/lock" },
        { "/tmp/", "tmp", "/", "", "/tmp" },
        { "/tmp", "tmp", "/", "", "/tmp" },
        { "/", "/", "/", "", "/" },
        { "", "", "", "", "" },
        { "scratch.tiff", "scratch.tiff", "", "tiff", "scratch" },
        { "Blue Grid.plist", "Blue Grid.plist", "", "plist", "Blue Grid" },
        { "/a//b///c.d.e", "c.d.e", "/a/b", "e", "/a/b/c.d" },
        { "scratch.bundle/", "scratch.bundle", "", "bundle", "scratch" },
        { "scratch..tiff", "scratch..tiff", "", "tiff", "scratch." },
        { "/dir.ext/name", "name", "/dir.ext", "", "/dir.ext/name" },
        { "/tmp/.hidden", ".hidden", "/tmp", "", "/tmp/.hidden" },
        { "name.", "name.", "", "", "name." },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(lastPathComponent(row.path), row.lastComponent);
        EXPECT_EQ(stringByDeletingLastPathComponent(row.path), row.withoutLastComponent);
        EXPECT_EQ(pathExtension(row.path), row.extension);
        EXPECT_EQ(stringByDeletingPathExtension(row.path), row.withoutExtension);
    }
}

TEST(PathUtilities, Appending)
{
    EXPECT_EQ(stringByAppendingPathComponent("/var/mobile/Library/Quiltvane/Layouts", "Blue Grid.plist"), "/var/mobile/Library/Quiltvane/Layouts/Blue Grid.plist");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp/", "scratch"), "/tmp/scratch");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp", "/scratch/"), "/tmp/scratch");
    EXPECT_EQ(stringByAppendingPathComponent("/", "tmp"), "/tmp");
    EXPECT_EQ(stringByAppendingPathComponent("", "tmp"), "tmp");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp", ""), "/tmp");
    EXPECT_EQ(stringByAppendingPathExtension("/tmp/scratch.old", "tiff"), "/tmp/scratch.old.tiff");
    EXPECT_EQ(stringByAppendingPathExtension("/tmp/scratch.", "tiff"), "/tmp/scratch..tiff");
    EXPECT_EQ(stringByAppendingPathExtension("/tmp/", "tiff"), "/tmp.tiff");
    EXPECT_EQ(stringByAppendingPathExtension("Blue Grid", "plist"), "Blue Grid.plist");
}
