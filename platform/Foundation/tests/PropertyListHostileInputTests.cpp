#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSString.h"
#include "testing/PythonPlist.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qv;
using qv::testing::TemporaryDeviceRoot;

namespace {

// Builds binary property lists object by object, with 4-byte references,
// so that tests can make the malformed and hostile ones no writer makes.
class BinaryDocument {
public:
    static std::string reference(uint64_t object, size_t width = 4)
    {
        std::string bytes;
        for (size_t i = width; i > 0; --i)
            bytes += static_cast<char>(object >> (8 * (i - 1)));
        return bytes;
    }
    static std::string container(uint8_t type, const std::vector<uint64_t>& references, size_t members)
    {
        std::string bytes(1, static_cast<char>(type << 4 | (members < 15 ? members : 0xF)));
        if (members >= 15)
            bytes += "\x13" + reference(members, 8);
        for (uint64_t object : references)
            bytes += reference(object);
        return bytes;
    }
    static std::string array(const std::vector<uint64_t>& members) { return container(0xA, members, members.size()); }

    uint64_t add(std::string object)
    {
        m_objects.push_back(std::move(object));
        return m_objects.size() - 1;
    }
    std::string build(uint64_t top = 0, uint64_t claimedObjects = 0) const
    {
        std::string bytes = "bplist00";
        std::string offsets;
        for (const std::string& object : m_objects) {
            offsets += reference(bytes.size());
            bytes += object;
        }
        uint64_t table = bytes.size();
        bytes += offsets;
        bytes += std::string(6, '\0') + "\x04\x04";
        bytes += reference(claimedObjects ? claimedObjects : m_objects.size(), 8) + reference(top, 8) + reference(table, 8);
        return bytes;
    }

private:
    std::vector<std::string> m_objects;
};

// A dictionary {"a": <arrays nested `depth` deep around true>}.
std::string nestedBinary(size_t depth)
{
    BinaryDocument document;
    document.add(BinaryDocument::container(0xD, { 1, 2 }, 1));
    document.add("\x51" "a");
    for (size_t level = 0; level < depth; ++level)
        document.add(BinaryDocument::array({ 3 + level }));
    document.add("\x09");
    return document.build();
}

std::string nestedXml(size_t depth, bool closed = true)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>a</key>";
    for (size_t level = 0; level < depth; ++level)
        text += "<array>";
    text += "<true/>";
    if (closed) {
        for (size_t level = 0; level < depth; ++level)
            text += "</array>";
        text += "</dict></plist>";
    }
    return text;
}

std::string xmlDocument(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">" + body + "</plist>\n";
}

} // namespace

// The documents built here are sound until they are made hostile: the
// same builders just within the limits give dictionaries.
TEST(PropertyListHostileInput, NestingUpToTheLimitIsRead)
{
    auto binary = NSDictionary::dictionaryWithData(nestedBinary(500));
    ASSERT_TRUE(binary);
    RefPtr<NSObject> level = binary->objectForKey("a");
    for (int i = 0; i < 500; ++i)
        level = dynamicRefCast<NSArray>(level)->firstObject();
    EXPECT_TRUE(dynamicRefCast<NSNumber>(level)->boolValue());
    EXPECT_TRUE(NSDictionary::dictionaryWithData(nestedXml(500)));
}

// Long lists are read whole and in order. A layout may hold any number of
// icons; read by index, a list this long took minutes.
TEST(PropertyListHostileInput, LongListsAreReadWhole)
{
    const size_t members = 200000;
    BinaryDocument document;
    document.add(BinaryDocument::container(0xD, { 1, 2 }, 1));
    document.add("\x51" "a");
    std::vector<uint64_t> references(members, 3);
    references.back() = 4;
    document.add(BinaryDocument::array(references));
    document.add("\x09");
    document.add("\x08");
    std::string xml;
    for (size_t i = 0; i + 1 < members; ++i)
        xml += "<true/>";
    xml = xmlDocument("<dict><key>a</key><array>" + xml + "<false/></array></dict>");

    for (const std::string& bytes : { document.build(), xml }) {
        auto dictionary = NSDictionary::dictionaryWithData(bytes);
        ASSERT_TRUE(dictionary);
        RefPtr<NSArray> list = dictionary->arrayForKey("a");
        ASSERT_TRUE(list);
        ASSERT_EQ(list->count(), members);
        EXPECT_TRUE(list->firstObject()->boolValue());
        EXPECT_FALSE(list->lastObject()->boolValue());
    }
}

TEST(PropertyListHostileInput, DeepNestingGivesNothing)
{
    EXPECT_FALSE(NSDictionary::dictionaryWithData(nestedBinary(100000)));
    EXPECT_FALSE(NSDictionary::dictionaryWithData(nestedBinary(NSPropertyListSerialization::maximumDepth)));
    EXPECT_FALSE(NSDictionary::dictionaryWithData(nestedXml(100000)));
    EXPECT_FALSE(NSDictionary::dictionaryWithData(nestedXml(100000, false)));
    EXPECT_FALSE(NSDictionary::dictionaryWithData(nestedXml(NSPropertyListSerialization::maximumDepth)));
    std::string dictionaries;
    for (int i = 0; i < 100000; ++i)
        dictionaries += "<dict><key>k</key>";
    EXPECT_FALSE(NSDictionary::dictionaryWithData(xmlDocument(dictionaries)));
}

TEST(PropertyListHostileInput, MalformedBinaryDocumentsGiveNothing)
{
    // A container that holds itself.
    BinaryDocument loop;
    loop.add(BinaryDocument::container(0xD, { 1, 0 }, 1));
    loop.add("\x51" "a");
    // 64 arrays each referring twice to the next: 2^64 values once expanded.
    BinaryDocument explosion;
    for (uint64_t i = 0; i < 64; ++i)
        explosion.add(BinaryDocument::array({ i + 1, i + 1 }));
    explosion.add("\x09");
    // A reference past the object table.
    BinaryDocument pastTable;
    pastTable.add(BinaryDocument::array({ 7 }));
    // A count far beyond the data.
    BinaryDocument hugeCount;
    hugeCount.add(BinaryDocument::container(0xA, { 0 }, 1ULL << 40));
    BinaryDocument fine;
    fine.add(BinaryDocument::container(0xD, { 1, 2 }, 1));
    fine.add("\x51" "a");
    fine.add("\x09");
    std::string offsetTableOutside = fine.build();
    offsetTableOutside.replace(offsetTableOutside.size() - 8, 8, BinaryDocument::reference(1 << 20, 8));

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "cycle", loop.build() },
        { "exponential sharing", explosion.build() },
        { "reference past the table", pastTable.build() },
        { "count beyond the data", hugeCount.build() },
        { "top object past the table", fine.build(5) },
        { "object count beyond the table", fine.build(0, 1000) },
        { "offset table outside the data", offsetTableOutside },
        { "header only", "bplist00" },
        { "trailer only", "bplist00" + std::string(32, '\0') },
    };
    ASSERT_TRUE(NSDictionary::dictionaryWithData(fine.build()));
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(row.bytes));
    }
}

// Text in a binary document: a NUL byte in a key (which no XML document
// could hold) makes the document malformed; bytes beyond ASCII in an
// "ASCII" string are taken as Latin-1, so that all text stays UTF-8.
TEST(PropertyListHostileInput, BinaryTextIsCheckedAndReadAsUTF8)
{
    auto document = [](std::string key, std::string value) {
        BinaryDocument built;
        built.add(BinaryDocument::container(0xD, { 1, 2 }, 1));
        built.add(static_cast<char>(0x50 | key.size()) + key);
        built.add(static_cast<char>(0x50 | value.size()) + value);
        return built.build();
    };
    EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(document(std::string("a\0b", 3), "v")));
    auto latin1 = NSDictionary::dictionaryWithData(document("caf\xe9", "na\xefve"));
    ASSERT_TRUE(latin1);
    EXPECT_EQ(latin1->stringForKey("caf\xc3\xa9")->string(), "na\xc3\xafve");
}

TEST(PropertyListHostileInput, MalformedXmlDocumentsGiveNothing)
{
    const char* cases[] = {
        "",
        "not a property list",
        "<plist><dict><key>a</key></plist>",
        "<plist version=\"1.0\"><dict><key>a</key><integer>1</integer>",
        "<plist version=\"1.0\"><dict><key>a</key><integer>1</integer></dict></plist></plist>",
        "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\">]><plist><dict><key>a</key><string>&a;</string></dict></plist>",
        "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>&undefined;</string></dict></plist>",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(text));
    }
    // A comment is no reason to refuse a document.
    auto commented = NSDictionary::dictionaryWithData(xmlDocument("<!-- made by hand --><dict><key>a</key><string>x &lt; y</string></dict>"));
    ASSERT_TRUE(commented);
    EXPECT_EQ(commented->stringForKey("a")->string(), "x < y");
}

TEST(PropertyListHostileInput, OtherRootsAreNoDictionary)
{
    const char* roots[] = { "<array><string>a</string></array>", "<string>a</string>", "<integer>3</integer>", "<true/>" };
    for (const char* root : roots) {
        SCOPED_TRACE(root);
        std::string document = xmlDocument(root);
        EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(document));
        EXPECT_FALSE(NSDictionary::dictionaryWithData(document));
    }
}

TEST(PropertyListHostileInput, FilesThatCannotBeReadGiveNothing)
{
    TemporaryDeviceRoot root;
    root.writeFile("/array.plist", xmlDocument("<array/>"));
    root.writeFile("/truncated.plist", xmlDocument("<dict><key>a</key><true/></dict>").substr(0, 120));
    std::filesystem::create_directories(root.hostPath("/folder.plist"));
    {
        // Larger than any property list the system reads; sparse, so cheap.
        std::ofstream large(root.hostPath("/large.plist"));
    }
    std::filesystem::resize_file(root.hostPath("/large.plist"), NSPropertyListSerialization::maximumSize + 1);
    for (const char* path : { "/missing.plist", "/array.plist", "/truncated.plist", "/folder.plist", "/large.plist" }) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile(path));
    }
}

// Every truncation and many byte flips of sound documents: nothing
// crashes, nothing reads past its input (the sanitizers watch), a prefix
// never passes for the whole, and whatever is read and written again reads
// back as the same document.
TEST(PropertyListHostileInput, TruncationsAndByteFlipsNeverCrash)
{
    std::string binary = qv::testing::binaryPropertyListFromPython(R"({
        'QV': True, 'FolderLayout': False, 'name': 'Blue Grid \u00e9', 'ratio': 0.5, 'big': 2**40,
        'when': datetime.datetime(2015, 6, 1), 'blob': b'\x00\x01',
        'Origins-4Inch': [{'x': 10, 'y': 20, 'LockedIndex': -1}, {'x': 30, 'y': 20, 'LockedIndex': 2}],
        'GridSize-4Inch': {'Dimensions-Width': 4, 'Dimensions-Height': 5, 'x': 0.0, 'y': 20.5}})");
    auto original = NSDictionary::dictionaryWithData(binary);
    ASSERT_TRUE(original);
    auto xml = NSPropertyListSerialization::XMLDataWithPropertyList(*original);
    ASSERT_TRUE(xml);

    for (const std::string& document : { binary, *xml }) {
        for (size_t length = 0; length < document.size(); ++length) {
            if (document.compare(length, std::string::npos, std::string(document.size() - length, '\n')) == 0)
                break; // only trailing line ends are left
            EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(document.substr(0, length))) << "prefix of " << length;
        }
        for (size_t at = 0; at < document.size(); ++at) {
            for (uint8_t flip : { 0x01, 0x10, 0x80, 0xff }) {
                std::string changed = document;
                changed[at] = static_cast<char>(changed[at] ^ flip);
                auto value = NSPropertyListSerialization::propertyListWithData(changed);
                if (!value)
                    continue;
                // The writer may refuse a value (text XML cannot hold); what
                // it writes reads back as the same document (XML keeps dates
                // to the second, so the values themselves may differ there).
                auto rewritten = NSPropertyListSerialization::XMLDataWithPropertyList(*value);
                if (!rewritten)
                    continue;
                auto reread = NSPropertyListSerialization::propertyListWithData(*rewritten);
                ASSERT_TRUE(reread) << "flip at " << at;
                EXPECT_EQ(NSPropertyListSerialization::XMLDataWithPropertyList(*reread), rewritten) << "flip at " << at;
            }
        }
    }
}

namespace {

// An ASCII string object of `length` letters.
std::string asciiObject(size_t length)
{
    std::string object(1, '\x5F');
    object += "\x13" + BinaryDocument::reference(length, 8);
    return object + std::string(length, 'a');
}

// An array of `count` references to one string of `length` letters.
std::string sharedStringArray(size_t count, size_t length)
{
    BinaryDocument document;
    document.add(BinaryDocument::array(std::vector<uint64_t>(count, 1)));
    document.add(asciiObject(length));
    return document.build();
}

} // namespace

// A file of ten kilobytes whose objects share references: 1,000
// references to an array of 500 references to one 4,000-letter string are
// 500,501 values (within the count) but 2 GB of XML once expanded. It is
// refused, saying why, before anything is expanded, and the file is left
// as it was.
TEST(PropertyListHostileInput, SharedReferencesCannotExpandBeyondAReadableDocument)
{
    BinaryDocument document;
    document.add(BinaryDocument::array(std::vector<uint64_t>(1000, 1)));
    document.add(BinaryDocument::array(std::vector<uint64_t>(500, 2)));
    document.add(asciiObject(4000));
    const std::string bytes = document.build();
    ASSERT_LT(bytes.size(), 10240u);

    TemporaryDeviceRoot root;
    root.writeFile("/Layout.plist", bytes);
    std::string error;
    EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(bytes, &error));
    EXPECT_NE(error.find("expand to more than 33554432 bytes of XML"), std::string::npos) << error;
    EXPECT_FALSE(NSDictionary::dictionaryWithContentsOfFile("/Layout.plist"));
    EXPECT_EQ(root.readFile("/Layout.plist"), bytes);
}

// Right at the edge: the most references to a shared string whose XML
// still fits are read, written (within the size readers take) and read
// back; one more is refused.
TEST(PropertyListHostileInput, WhateverIsReadCanBeWrittenAndReadBack)
{
    const size_t length = 4000;
    // Each reference is a line "\t<string>...</string>\n"; the rest is
    // what a one-string array takes besides its line.
    const size_t line = 1 + 8 + length + 9 + 1;
    auto one = NSPropertyListSerialization::XMLDataWithPropertyList(NSArray::create({ std::string(length, 'a') }));
    ASSERT_TRUE(one);
    const size_t most = (NSPropertyListSerialization::maximumSize - (one->size() - line)) / line;

    auto read = NSPropertyListSerialization::propertyListWithData(sharedStringArray(most, length));
    ASSERT_TRUE(read);
    auto written = NSPropertyListSerialization::XMLDataWithPropertyList(*read);
    ASSERT_TRUE(written);
    EXPECT_LE(written->size(), NSPropertyListSerialization::maximumSize);
    EXPECT_GT(written->size() + line, NSPropertyListSerialization::maximumSize);
    auto reread = NSPropertyListSerialization::propertyListWithData(*written);
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->isEqual(read.get()));

    EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(sharedStringArray(most + 1, length)));
    // The writer refuses the same value made by hand.
    auto tooLarge = dynamicRefCast<NSArray>(read)->mutableCopy();
    tooLarge->addObject(std::string(length, 'a'));
    EXPECT_FALSE(NSPropertyListSerialization::XMLDataWithPropertyList(*tooLarge));
}

// XML is measured as it will be written: a compact document whose values
// sit deep gains a tab per level on every line, and is refused when that
// would pass the size readers take, though the document itself is small.
TEST(PropertyListHostileInput, CompactXmlIsMeasuredAsItWillBeWritten)
{
    auto deepLeaves = [](size_t depth, size_t leaves) {
        std::string body;
        for (size_t level = 0; level < depth; ++level)
            body += "<array>";
        for (size_t leaf = 0; leaf < leaves; ++leaf)
            body += "<true/>";
        for (size_t level = 0; level < depth; ++level)
            body += "</array>";
        return xmlDocument(body);
    };
    // 400 tabs and "<true/>\n" a line: 100,000 lines are 40 MB, 50,000 20 MB.
    std::string tooDeep = deepLeaves(400, 100000);
    ASSERT_LT(tooDeep.size(), 1u << 20);
    std::string error;
    EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(tooDeep, &error));
    EXPECT_NE(error.find("larger than readers accept"), std::string::npos) << error;

    auto fits = NSPropertyListSerialization::propertyListWithData(deepLeaves(400, 50000));
    ASSERT_TRUE(fits);
    auto written = NSPropertyListSerialization::XMLDataWithPropertyList(*fits);
    ASSERT_TRUE(written);
    EXPECT_GT(written->size(), 20000000u);
    EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(*written));
}

// The limits of depth and values are one for XML, binary and the writers:
// at each limit all take the value, one past it all refuse it.
TEST(PropertyListHostileInput, LimitsAreTheSameForXmlBinaryAndTheWriter)
{
    // Arrays nested `depth` deep (the top one at depth 1), the innermost
    // holding `members` references to one `true`.
    struct Shape {
        size_t depth;
        size_t members;
    };
    auto value = [](Shape shape) {
        Ref<NSArray> innermost = NSArray::create();
        auto yes = NSNumber::numberWithBool(true);
        for (size_t i = 0; i < shape.members; ++i)
            innermost->addObject(yes);
        Ref<NSArray> top = innermost;
        for (size_t level = 1; level < shape.depth; ++level)
            top = NSArray::create({ top });
        return top;
    };
    auto binary = [](Shape shape) {
        BinaryDocument document;
        for (size_t level = 0; level + 1 < shape.depth; ++level)
            document.add(BinaryDocument::array({ level + 1 }));
        document.add(BinaryDocument::container(0xA, std::vector<uint64_t>(shape.members, shape.depth), shape.members));
        document.add("\x09");
        return document.build();
    };
    auto xml = [](Shape shape) {
        std::string body;
        for (size_t level = 0; level < shape.depth; ++level)
            body += "<array>";
        for (size_t i = 0; i < shape.members; ++i)
            body += "<true/>";
        for (size_t level = 0; level < shape.depth; ++level)
            body += "</array>";
        return xmlDocument(body);
    };
    const size_t depth = NSPropertyListSerialization::maximumDepth;
    const size_t values = NSPropertyListSerialization::maximumObjects;
    struct Case {
        const char* name;
        Shape shape;
        bool fits;
    };
    const Case cases[] = {
        { "empty arrays at the depth limit", { depth, 0 }, true },
        { "empty arrays past the depth limit", { depth + 1, 0 }, false },
        { "a value at the depth limit", { depth - 1, 1 }, true },
        { "a value past the depth limit", { depth, 1 }, false },
        { "values up to the limit", { 1, values - 1 }, true },
        { "a value more than the limit", { 1, values }, false },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        auto written = NSPropertyListSerialization::XMLDataWithPropertyList(value(row.shape));
        EXPECT_EQ(bool(written), row.fits);
        EXPECT_EQ(bool(NSPropertyListSerialization::propertyListWithData(binary(row.shape))), row.fits);
        EXPECT_EQ(bool(NSPropertyListSerialization::propertyListWithData(xml(row.shape))), row.fits);
        if (written) {
            EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(*written));
        }
        NSPropertyListSerialization::WriteError error;
        auto writtenInBinary = NSPropertyListSerialization::dataWithPropertyList(value(row.shape), NSPropertyListBinaryFormat_v1_0, &error);
        EXPECT_EQ(bool(writtenInBinary), row.fits);
        if (writtenInBinary) {
            EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(*writtenInBinary));
        } else {
            EXPECT_TRUE(error.beyondLimits) << error.reason;
        }
    }
}
