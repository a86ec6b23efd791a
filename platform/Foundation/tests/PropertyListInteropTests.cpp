#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/NSValue.h"
#include "testing/Process.h"
#include "testing/PythonPlist.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

using namespace qv;
using qv::testing::TemporaryDeviceRoot;
using qv::testing::runPython;

namespace {

// Both sides list a property list the same way, one line per value with
// its path and kind, so that a listing made by Python's plistlib can be
// compared with one made here, kinds included.
const char* listingScript = R"(
import datetime, plistlib, sys

def show(value):
    if isinstance(value, bool): return 'boolean ' + ('true' if value else 'false')
    if isinstance(value, int): return 'integer %d' % value
    if isinstance(value, float): return 'real %.17g' % value
    if isinstance(value, str): return 'string ' + value
    if isinstance(value, bytes): return 'data ' + value.hex()
    if isinstance(value, datetime.datetime):
        return 'date %04d-%02d-%02dT%02d:%02d:%02d.%06d' % (
            value.year, value.month, value.day, value.hour, value.minute, value.second, value.microsecond)
    return 'unexpected ' + type(value).__name__

def walk(value, path, lines):
    if isinstance(value, dict):
        if not value: lines.append(path + ': dictionary (empty)')
        for key in sorted(value): walk(value[key], path + '/' + key, lines)
    elif isinstance(value, list):
        if not value: lines.append(path + ': array (empty)')
        for index, item in enumerate(value): walk(item, '%s[%d]' % (path, index), lines)
    else:
        lines.append(path + ': ' + show(value))

with open(sys.argv[1], 'rb') as file:
    lines = []
    walk(plistlib.load(file), '', lines)
    print('\n'.join(lines))
)";

std::string show(const NSObject& value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(&value)) {
        switch (number->kind()) {
        case NSNumber::Kind::Boolean: return number->boolValue() ? "boolean true" : "boolean false";
        case NSNumber::Kind::Integer:
            if (number->isUnsignedBeyondSignedRange())
                return stringWithFormat("integer %llu", number->unsignedLongLongValue());
            return stringWithFormat("integer %lld", number->longLongValue());
        case NSNumber::Kind::Real: return stringWithFormat("real %.17g", number->doubleValue());
        }
    }
    if (auto* string = dynamic_cast<const NSString*>(&value))
        return "string " + string->string();
    if (auto* data = dynamic_cast<const NSData*>(&value)) {
        std::string hex;
        for (uint8_t byte : data->bytes())
            hex += stringWithFormat("%02x", byte);
        return "data " + hex;
    }
    if (auto* date = dynamic_cast<const NSDate*>(&value)) {
        // To the microsecond, as Python's dates are.
        double whole = std::floor(date->timeIntervalSince1970());
        long long microseconds = std::llround((date->timeIntervalSince1970() - whole) * 1e6);
        if (microseconds == 1000000) {
            whole += 1;
            microseconds = 0;
        }
        time_t seconds = static_cast<time_t>(whole);
        tm parts {};
        gmtime_r(&seconds, &parts);
        return stringWithFormat("date %04d-%02d-%02dT%02d:%02d:%02d.%06lld", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour, parts.tm_min, parts.tm_sec, microseconds);
    }
    return "unexpected " + value.className();
}

void walk(const NSObject& value, const std::string& path, std::string& lines)
{
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(&value)) {
        if (!dictionary->count())
            lines += path + ": dictionary (empty)\n";
        for (auto& [key, member] : dictionary->entries())
            walk(member, path + "/" + key, lines);
    } else if (auto* array = dynamic_cast<const NSArray*>(&value)) {
        if (!array->count())
            lines += path + ": array (empty)\n";
        auto members = array->objects();
        for (size_t i = 0; i < members.size(); ++i)
            walk(members[i], stringWithFormat("%@[%lu]", path, i), lines);
    } else {
        lines += path + ": " + show(value) + "\n";
    }
}

std::string listing(const NSObject& value)
{
    std::string lines;
    walk(value, "", lines);
    return lines;
}

std::string listingByPython(const std::filesystem::path& file)
{
    auto result = runPython(listingScript, { file.string() });
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return result.output;
}

// The content both sides build: every kind, the edges of integers and
// reals, text the XML must escape, and the shape of a layout file.
constexpr const char* expectedListing =
    "/FolderLayout: boolean false\n"
    "/Origins-4Inch[0]/LockedIndex: integer -1\n"
    "/Origins-4Inch[0]/x: integer 10\n"
    "/Origins-4Inch[0]/y: integer 20\n"
    "/Origins-4Inch[1]/LockedIndex: integer 3\n"
    "/Origins-4Inch[1]/x: integer -5\n"
    "/Origins-4Inch[1]/y: integer 0\n"
    "/QV: boolean true\n"
    "/blob: data 0001ff\n"
    "/count: integer 42\n"
    "/empty array: array (empty)\n"
    "/empty dictionary: dictionary (empty)\n"
    "/huge: real 1.0000000000000001e+300\n"
    "/max: integer 9223372036854775807\n"
    "/min: integer -9223372036854775808\n"
    "/name: string Blue Grid <&> \"\xc3\xa9\"\n"
    "/negative: integer -7\n"
    "/old: date 1990-01-01T00:00:00.000000\n"
    "/ratio: real 0.10000000000000001\n"
    "/third: real 0.33333333333333331\n"
    "/tiny: real -2.5e-300\n"
    "/when: date 2015-06-01T12:30:45.000000\n"
    "/whole: real 2\n";

Ref<NSDictionary> sampleInCpp()
{
    return NSDictionary::create({
        { "QV", true },
        { "FolderLayout", false },
        { "count", 42 },
        { "negative", -7 },
        { "min", NSIntegerMin },
        { "max", NSIntegerMax },
        { "whole", 2.0 },
        { "ratio", 0.1 },
        { "third", 1.0 / 3 },
        { "huge", 1e300 },
        { "tiny", -2.5e-300 },
        { "name", "Blue Grid <&> \"\xc3\xa9\"" },
        { "blob", NSData::dataWithBytes("\x00\x01\xff", 3) },
        { "when", NSDate::dateWithTimeIntervalSince1970(1433161845) },
        { "old", NSDate::dateWithTimeIntervalSince1970(631152000) },
        { "Origins-4Inch", NSArray::create({
            NSDictionary::create({ { "x", 10 }, { "y", 20 }, { "LockedIndex", -1 } }),
            NSDictionary::create({ { "x", -5 }, { "y", 0 }, { "LockedIndex", 3 } }),
        }) },
        { "empty array", NSArray::create() },
        { "empty dictionary", NSDictionary::create() },
    });
}

const char* samplePythonScript = R"(
import datetime, plistlib, sys
sample = {
    'QV': True, 'FolderLayout': False, 'count': 42, 'negative': -7,
    'min': -2**63, 'max': 2**63 - 1, 'whole': 2.0, 'ratio': 0.1, 'third': 1 / 3,
    'huge': 1e300, 'tiny': -2.5e-300, 'name': 'Blue Grid <&> "\u00e9"',
    'blob': b'\x00\x01\xff', 'when': datetime.datetime(2015, 6, 1, 12, 30, 45),
    'old': datetime.datetime(1990, 1, 1),
    'Origins-4Inch': [{'x': 10, 'y': 20, 'LockedIndex': -1}, {'x': -5, 'y': 0, 'LockedIndex': 3}],
    'empty array': [], 'empty dictionary': {},
}
for path, kind in ((sys.argv[1], plistlib.FMT_XML), (sys.argv[2], plistlib.FMT_BINARY)):
    with open(path, 'wb') as file:
        plistlib.dump(sample, file, fmt=kind, sort_keys=False)
)";

} // namespace

TEST(PropertyListInterop, FilesWrittenHereReadInPlistlibWithTheSameKeysValuesAndKinds)
{
    TemporaryDeviceRoot root;
    const std::string path = "/var/mobile/Library/Quiltvane/Layouts/Sample.plist";
    std::filesystem::create_directories(root.hostPath(path).parent_path());
    auto sample = sampleInCpp();
    ASSERT_TRUE(sample->writeToFile(path, true));
    EXPECT_EQ(listingByPython(root.hostPath(path)), expectedListing);

    // Read back here, nothing changes kind or value.
    auto readBack = NSDictionary::dictionaryWithContentsOfFile(path);
    ASSERT_TRUE(readBack);
    EXPECT_EQ(listing(*readBack), expectedListing);
    EXPECT_TRUE(readBack->isEqual(sample.ptr()));
}

TEST(PropertyListInterop, FilesWrittenByPlistlibReadHereInXmlAndBinary)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/tmp"));
    auto result = runPython(samplePythonScript, { root.hostPath("/tmp/xml.plist").string(), root.hostPath("/tmp/binary.plist").string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    for (const char* path : { "/tmp/xml.plist", "/tmp/binary.plist" }) {
        SCOPED_TRACE(path);
        auto read = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(listing(*read), expectedListing);
        EXPECT_TRUE(read->isEqual(sampleInCpp().ptr()));
    }
}

// Binary writers store a repeated value once and refer to it from every
// place; integers beyond the signed range keep their value (asked for as
// a signed one, they give the largest).
TEST(PropertyListInterop, SharedValuesAndUnsignedIntegersFromPlistlib)
{
    std::string bytes = qv::testing::binaryPropertyListFromPython("{'names': ['same'] * 300, 'unsigned': 2**64 - 1, 'top': 2**63}");
    auto read = NSDictionary::dictionaryWithData(bytes);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->arrayForKey("names")->count(), 300u);
    EXPECT_EQ(read->arrayForKey("names")->objectAtIndex<NSString>(299)->string(), "same");
    EXPECT_EQ(read->numberForKey("unsigned")->unsignedLongLongValue(), 18446744073709551615ULL);
    EXPECT_EQ(read->numberForKey("top")->unsignedLongLongValue(), 9223372036854775808ULL);
    EXPECT_EQ(read->numberForKey("top")->longLongValue(), NSIntegerMax);
}

namespace {

// Integers and dates over the whole range both sides hold: every edge of
// 32 and 64 bits, signed and unsigned, and dates from the year 1 to 9999
// (beyond 32-bit seconds either side of 2001). XML dates are whole
// seconds in Python; binary ones carry fractions.
const char* rangeScript = R"(
import datetime, plistlib, sys
D = datetime.datetime
whole = {
    'integers': [-2**63, -2**63 + 1, -2**31 - 1, -2**31, -1, 0, 1, 2**31 - 1, 2**31, 2**32, 2**63 - 1, 2**63, 2**63 + 1,
                 2**64 - 2, 2**64 - 1],
    'dates': [D(1, 1, 1), D(1582, 10, 15), D(1901, 12, 13, 20, 45, 51), D(1932, 12, 13, 20, 45, 52),
              D(1969, 12, 31, 23, 59, 59), D(2001, 1, 1), D(2038, 1, 19, 3, 14, 8), D(2069, 12, 31, 23, 59, 59),
              D(2070, 1, 1), D(2106, 2, 7, 6, 28, 16), D(9999, 12, 31, 23, 59, 59)],
}
fractional = {
    'dates': [D(2000, 12, 31, 23, 59, 57, 500000), D(1, 1, 1, 0, 0, 0, 125000), D(1932, 12, 13, 20, 45, 51, 750000),
              D(2070, 1, 1, 0, 0, 0, 250000), D(9999, 12, 31, 23, 59, 59, 500000)],
}
for path, value, kind in ((sys.argv[1], whole, plistlib.FMT_XML), (sys.argv[2], whole, plistlib.FMT_BINARY),
                          (sys.argv[3], fractional, plistlib.FMT_BINARY)):
    with open(path, 'wb') as file:
        plistlib.dump(value, file, fmt=kind)
)";

class PropertyListRange : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(root.hostPath("/tmp"));
        auto result = runPython(rangeScript, { root.hostPath(wholeXML).string(), root.hostPath(wholeBinary).string(),
                                                 root.hostPath(fractionalBinary).string() });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }

    TemporaryDeviceRoot root;
    const std::string wholeXML = "/tmp/whole.xml";
    const std::string wholeBinary = "/tmp/whole.binary";
    const std::string fractionalBinary = "/tmp/fractional.binary";
};

} // namespace

// What plistlib writes, XML and binary, reads here as plistlib reads it.
TEST_F(PropertyListRange, FilesWrittenByPlistlibReadHereOverTheWholeRange)
{
    for (const std::string& path : { wholeXML, wholeBinary, fractionalBinary }) {
        SCOPED_TRACE(path);
        auto read = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(listing(*read), listingByPython(root.hostPath(path)));
    }
}

// What is read here and written back reads in plistlib as the file it came
// from; dates with fractions (which Python's XML reader does not take)
// read back here exactly.
TEST_F(PropertyListRange, FilesWrittenHereKeepTheWholeRange)
{
    for (const std::string& path : { wholeXML, wholeBinary }) {
        SCOPED_TRACE(path);
        auto read = NSDictionary::dictionaryWithContentsOfFile(path);
        ASSERT_TRUE(read);
        ASSERT_TRUE(read->writeToFile("/tmp/rewritten.plist", true));
        EXPECT_EQ(listingByPython(root.hostPath("/tmp/rewritten.plist")), listingByPython(root.hostPath(path)));
    }
    auto fractional = NSDictionary::dictionaryWithContentsOfFile(fractionalBinary);
    ASSERT_TRUE(fractional);
    ASSERT_TRUE(fractional->writeToFile("/tmp/rewritten.plist", true));
    auto reread = NSDictionary::dictionaryWithContentsOfFile("/tmp/rewritten.plist");
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->isEqual(fractional.get()));
    EXPECT_EQ(listing(*reread), listingByPython(root.hostPath(fractionalBinary)));
}

TEST(PropertyListInterop, NonPropertyListValuesAreNotWritten)
{
    TemporaryDeviceRoot root;
    const std::string path = "/Layout.plist";
    ASSERT_TRUE(NSDictionary::create({ { "QV", true } })->writeToFile(path, true));
    const std::string before = root.readFile(path);

    auto cyclic = NSArray::create();
    cyclic->addObject(cyclic);
    struct Case {
        const char* name;
        Ref<NSDictionary> value;
    };
    const Case cases[] = {
        { "boxed rectangle", NSDictionary::create({ { "GridFrame", NSValue::valueWithCGRect(CGRectMake(0, 0, 1, 1)) } }) },
        { "plain object", NSDictionary::create({ { "object", NSObject::create() } }) },
        { "text with a NUL byte", NSDictionary::create({ { "name", std::string("a\0b", 3) } }) },
        { "key with a NUL byte", NSDictionary::create({ { std::string("a\0b", 3), 1 } }) },
        { "text with a control character", NSDictionary::create({ { "name", "a\x01b" } }) },
        { "text not in UTF-8", NSDictionary::create({ { "name", "caf\xe9" } }) },
        { "date past the year 9999", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSince1970(253402300800.0) } }) },
        { "date before the year 1", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSince1970(-62135596800.5) } }) },
        { "date that is no number", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSinceReferenceDate(NAN) } }) },
        { "date at infinity", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSinceReferenceDate(INFINITY) } }) },
        { "array holding itself", NSDictionary::create({ { "loop", cyclic } }) },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(NSPropertyListSerialization::XMLDataWithPropertyList(row.value));
        EXPECT_FALSE(row.value->writeToFile(path, true));
        EXPECT_EQ(root.readFile(path), before);
    }
    // The loop is broken by hand so that the array can go.
    cyclic->removeAllObjects();
}
