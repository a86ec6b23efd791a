#include "model/QVLayoutReference.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "testing/PythonPlist.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

using namespace qv;
using qv::testing::TemporaryDeviceRoot;

namespace {

using Reader = QVSharedPreferences;

const std::string domainFile = std::string("/var/mobile/Library/Preferences/") + QVPreferenceDomain + ".plist";

} // namespace

// Each reader takes only the kind its key is meant to hold; anything else
// reads as no value, and a boolean of no value is NO. Numbers of every kind
// are numbers: the application's integer 1 and the Settings bundle's YES
// read alike.
TEST(SharedPreferences, TypedReadersTakeOnlyTheirKind)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const long long largest = std::numeric_limits<long long>::max();
    struct Case {
        const char* name;
        RefPtr<NSObject> value;
        std::optional<bool> boolean;
        std::optional<long long> integer;
        std::optional<std::string> string;
    };
    const Case cases[] = {
        { "no value", nullptr, std::nullopt, std::nullopt, std::nullopt },
        { "YES", NSNumber::numberWithBool(true), true, 1, std::nullopt },
        { "NO", NSNumber::numberWithBool(false), false, 0, std::nullopt },
        { "integer 1", NSNumber::numberWithInteger(1), true, 1, std::nullopt },
        { "integer 0", NSNumber::numberWithInteger(0), false, 0, std::nullopt },
        { "integer 2", NSNumber::numberWithInteger(2), true, 2, std::nullopt },
        { "real 0.5", NSNumber::numberWithDouble(0.5), true, 0, std::nullopt },
        { "real -1.9", NSNumber::numberWithDouble(-1.9), true, -1, std::nullopt },
        { "huge real", NSNumber::numberWithDouble(1e300), true, largest, std::nullopt },
        { "NaN", NSNumber::numberWithDouble(nan), true, 0, std::nullopt },
        { "string YES", NSString::create("YES"), std::nullopt, std::nullopt, "YES" },
        { "string 1", NSString::create("1"), std::nullopt, std::nullopt, "1" },
        { "empty string", NSString::create(""), std::nullopt, std::nullopt, "" },
        { "array", NSArray::create({ 1 }), std::nullopt, std::nullopt, std::nullopt },
        { "dictionary", NSDictionary::create({ { "Enable", true } }), std::nullopt, std::nullopt, std::nullopt },
        { "data", NSData::create({ 0x31 }), std::nullopt, std::nullopt, std::nullopt },
    };
    TemporaryDeviceRoot root;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Reader::boolValue(c.value.get()), c.boolean);
        EXPECT_EQ(Reader::integerValue(c.value.get()), c.integer);
        EXPECT_EQ(Reader::stringValue(c.value.get()), c.string);

        CFPreferencesSetAppValue(QVEnableKey, c.value, QVPreferenceDomain);
        EXPECT_EQ(Reader::boolForKey(QVEnableKey), c.boolean.value_or(false));
        EXPECT_EQ(Reader::integerForKey(QVEnableKey), c.integer);
        EXPECT_EQ(Reader::stringForKey(QVEnableKey), c.string);
    }
}

// A reference names a layout only when it holds "//"; exactly "DEFAULT"
// selects the default folder and any other word the user folder; a file
// name that could reach outside the layouts folders names nothing.
TEST(SharedPreferences, LayoutReferences)
{
    using Folder = QVLayoutReference::Folder;
    struct Case {
        const char* value;
        std::optional<std::pair<std::string, Folder>> named;
    };
    const Case cases[] = {
        { "Default.plist//DEFAULT", { { "Default.plist", Folder::Default } } },
        { "Default Folder.plist//DEFAULT", { { "Default Folder.plist", Folder::Default } } },
        { "Blue.plist//USER", { { "Blue.plist", Folder::User } } },
        { "Default.plist//USER", { { "Default.plist", Folder::User } } },
        { "Blue.plist//OTHER", { { "Blue.plist", Folder::User } } },
        { "Blue.plist//default", { { "Blue.plist", Folder::User } } },
        { "Blue.plist//", { { "Blue.plist", Folder::User } } },
        { "Blue.plist//DEFAULT//USER", { { "Blue.plist", Folder::Default } } },
        { "Blue.plist//USER//DEFAULT", { { "Blue.plist", Folder::User } } },
        { "Blue.plist///DEFAULT", { { "Blue.plist", Folder::User } } },
        { "Two..Dots.plist//USER", { { "Two..Dots.plist", Folder::User } } },
        { "...plist//USER", { { "...plist", Folder::User } } },
        { "Blue", std::nullopt },
        { "Default.plist", std::nullopt },
        { "Default Folder.plist", std::nullopt },
        { "", std::nullopt },
        { "Blue.plist/USER", std::nullopt },
        { "//USER", { { "", Folder::User } } },
        { "//DEFAULT", { { "", Folder::Default } } },
        { "..//DEFAULT", std::nullopt },
        { ".//USER", std::nullopt },
        { "../Blue.plist//USER", std::nullopt },
        { "../../../etc/passwd//DEFAULT", std::nullopt },
        { "Sub/Blue.plist//USER", std::nullopt },
        { "/Blue.plist//USER", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::optional<QVLayoutReference> reference = QVLayoutReference::parse(c.value);
        ASSERT_EQ(reference.has_value(), c.named.has_value());
        if (!reference)
            continue;
        EXPECT_EQ(reference->fileName(), c.named->first);
        EXPECT_EQ(reference->folder(), c.named->second);
        EXPECT_EQ(reference->isDefault(), c.named->second == Folder::Default);
    }

    EXPECT_FALSE(QVLayoutReference::parse(std::string("Blue\0.plist//USER", 17))) << "a NUL ends a path early";
}

// Writers store the reference of a listed layout; readers find the file in
// its folder; the apply screen shows the unchecked text before "//".
TEST(SharedPreferences, LayoutReferenceTextAndPaths)
{
    EXPECT_EQ(QVLayoutReference::referenceString("Blue.plist", false), "Blue.plist//USER");
    EXPECT_EQ(QVLayoutReference::referenceString("Default.plist", true), "Default.plist//DEFAULT");
    EXPECT_EQ(QVLayoutReference::defaultLayout().string(), "Default.plist//DEFAULT");
    EXPECT_EQ(QVLayoutReference::defaultFolderLayout().string(), "Default Folder.plist//DEFAULT");
    EXPECT_EQ(QVLayoutReference::defaultLayout().path(), "/Library/Application Support/Quiltvane/Layouts/Default.plist");
    EXPECT_EQ(QVLayoutReference::defaultFolderLayout().path(),
        "/Library/Application Support/Quiltvane/Layouts/Default Folder.plist");

    std::optional<QVLayoutReference> other = QVLayoutReference::parse("My Layout.plist//ELSEWHERE");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->string(), "My Layout.plist//USER") << "the stored text is canonical";
    EXPECT_EQ(other->path(), "/var/mobile/Library/Quiltvane/Layouts/My Layout.plist");
    EXPECT_EQ(other->folderPath(), "/var/mobile/Library/Quiltvane/Layouts");
    EXPECT_NE(QVLayoutReference::parse("Blue.plist//USER"), QVLayoutReference::parse("Blue.plist//DEFAULT"))
        << "the same file name in the other folder is another layout";
    EXPECT_EQ(QVLayoutReference::parse("Blue.plist//USER"), QVLayoutReference::parse("Blue.plist//OTHER"));

    EXPECT_EQ(QVLayoutReference::fileNamePart("Blue.plist//USER"), "Blue.plist");
    EXPECT_EQ(QVLayoutReference::fileNamePart("a//b//c"), "a");
    EXPECT_EQ(QVLayoutReference::fileNamePart("//USER"), "");
    EXPECT_EQ(QVLayoutReference::fileNamePart("Default.plist"), std::nullopt);

    TemporaryDeviceRoot root;
    CFPreferencesSetAppValue(QVCurrentLayoutKey, NSString::create("Blue.plist//USER"), QVPreferenceDomain);
    EXPECT_EQ(Reader::layoutReferenceForKey(QVCurrentLayoutKey), QVLayoutReference::parse("Blue.plist//USER"));
    for (RefPtr<NSObject> unnamed : { RefPtr<NSObject>(NSString::create("Default.plist")),
             RefPtr<NSObject>(NSString::create("../x.plist//USER")), RefPtr<NSObject>(NSNumber::numberWithInteger(1)),
             RefPtr<NSObject>(NSArray::create({ "Blue.plist//USER" })), RefPtr<NSObject>() }) {
        CFPreferencesSetAppValue(QVCurrentLayoutKey, unnamed, QVPreferenceDomain);
        EXPECT_FALSE(Reader::layoutReferenceForKey(QVCurrentLayoutKey)) << (unnamed ? unnamed->description() : "no value");
    }
}

TEST(SharedPreferences, KeysOfPagesAndFolders)
{
    EXPECT_EQ(QVPageLayoutPreferenceKey(0), "Page0Layout");
    EXPECT_EQ(QVPageLayoutPreferenceKey(3), "Page3Layout");
    EXPECT_EQ(QVPageLayoutPreferenceKey(10), "Page10Layout");
    EXPECT_EQ(QVPageLayoutPreferenceKey(11), "Page10Layout") << "later pages share the key of page 10";
    EXPECT_EQ(QVPageLayoutPreferenceKey(std::numeric_limits<uint64_t>::max()), "Page10Layout");
    EXPECT_EQ(QVPageLayoutKeyCount, 11u);
    EXPECT_EQ(QVFolderLayoutPreferenceKey("Social"), "Folder_Social_Layout");
    EXPECT_EQ(QVFolderLayoutPreferenceKey("Games & Fun"), "Folder_Games & Fun_Layout");
    EXPECT_EQ(QVFolderLayoutPreferenceKey(""), "Folder__Layout");
}

// The handshake values as another process or a hand-edited file may leave
// them, read from the domain file that Python's plistlib wrote.
TEST(SharedPreferences, HandshakeValuesFromAnotherWriter)
{
    TemporaryDeviceRoot root;
    root.writeFile(domainFile,
        qv::testing::binaryPropertyListFromPython("{'FolderList': ['Social', 7, 'Games', {'x': 1}, ''],"
                                                  " 'FolderViewSize': {'width': 280.5, 'height': 300, 'cornerRadius': 38.0},"
                                                  " 'EnablePerPageLayouts': 1, 'EnableFolderLayouts': True, 'Enable': 'YES'}"));
    ASSERT_TRUE(Reader::synchronize());
    EXPECT_EQ(Reader::folderList(), (std::vector<std::string> { "Social", "Games", "" })) << "entries that are no names are passed over";
    EXPECT_EQ(Reader::folderViewSize(), (QVFolderViewSize { 280.5, 300, 38 }));
    EXPECT_TRUE(Reader::boolForKey(QVEnablePerPageLayoutsKey));
    EXPECT_EQ(Reader::integerForKey(QVEnablePerPageLayoutsKey), 1);
    EXPECT_TRUE(Reader::boolForKey(QVEnableFolderLayoutsKey));
    EXPECT_FALSE(Reader::boolForKey(QVEnableKey)) << "a string is no switch";
    EXPECT_FALSE(Reader::boolForKey(QVEnableHiddenIconsKey));

    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        RefPtr<NSObject> value;
        std::optional<QVFolderViewSize> size;
    };
    const Case sizes[] = {
        { "integers", NSDictionary::create({ { "width", 1 }, { "height", 2 }, { "cornerRadius", 0 } }), QVFolderViewSize { 1, 2, 0 } },
        { "no radius", NSDictionary::create({ { "width", 1.0 }, { "height", 2.0 } }), std::nullopt },
        { "a string", NSDictionary::create({ { "width", "1" }, { "height", 2.0 }, { "cornerRadius", 3.0 } }), std::nullopt },
        { "infinite", NSDictionary::create({ { "width", infinity }, { "height", 2.0 }, { "cornerRadius", 3.0 } }), std::nullopt },
        { "an array", NSArray::create({ 1.0, 2.0, 3.0 }), std::nullopt },
        { "no value", nullptr, std::nullopt },
    };
    for (const Case& c : sizes) {
        SCOPED_TRACE(c.name);
        CFPreferencesSetAppValue(QVFolderViewSizeKey, c.value, QVPreferenceDomain);
        EXPECT_EQ(Reader::folderViewSize(), c.size);
    }
    for (RefPtr<NSObject> notList : { RefPtr<NSObject>(NSString::create("Social")), RefPtr<NSObject>(NSDictionary::create()), RefPtr<NSObject>() }) {
        CFPreferencesSetAppValue(QVFolderListKey, notList, QVPreferenceDomain);
        EXPECT_FALSE(Reader::folderList());
    }
    CFPreferencesSetAppValue(QVFolderListKey, NSArray::create(), QVPreferenceDomain);
    EXPECT_EQ(Reader::folderList(), std::vector<std::string>()) << "an empty list is a list";
}
