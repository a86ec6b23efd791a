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

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <sstream>
#include <vector>

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

// Written here in binary, plistlib reads every kind and value, and so does
// the reader here; beyond the sample: text in UTF-16 (surrogate pairs too)
// and with control characters, unsigned integers, counts and references
// too large for a marker's four bits or a byte, equal texts written once.
TEST(PropertyListInterop, BinaryFilesWrittenHereReadInPlistlibWithTheSameKeysValuesAndKinds)
{
    TemporaryDeviceRoot root;
    auto sample = sampleInCpp();
    std::string extraListing;
    auto add = [&](const std::string& key, Ref<NSObject> value, const std::string& shown) {
        sample->setObject(value, key);
        extraListing += "/" + key + ": " + shown + "\n";
    };
    add("unsigned", NSNumber::numberWithUnsignedLongLong(18446744073709551615ull), "integer 18446744073709551615");
    add("bytes", NSNumber::numberWithInteger(255), "integer 255");
    add("words", NSNumber::numberWithInteger(65536), "integer 65536");
    add("controls", NSString::create("tab\t bell\x07 nul" + std::string(1, '\0') + " cr\r"), "string tab\t bell\x07 nul" + std::string(1, '\0') + " cr\r");
    add("unicode", NSString::create("\xc3\xa9\xe2\x82\xac \xf0\x9f\x98\x80"), "string \xc3\xa9\xe2\x82\xac \xf0\x9f\x98\x80");
    add("long text", NSString::create(std::string(70000, 'z')), "string " + std::string(70000, 'z'));
    Ref<NSArray> many = NSArray::create();
    for (int i = 0; i < 300; ++i) {
        many->addObject(i % 2 ? NSString::create("same") : NSString::create(std::to_string(i)));
        extraListing += stringWithFormat("/many[%d]: string %@\n", i, i % 2 ? std::string("same") : std::to_string(i));
    }
    sample->setObject(many, "many");

    // Both listings go in the order of their paths.
    std::string expected = expectedListing + extraListing;
    std::vector<std::string> lines;
    std::istringstream stream(expected);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());

    auto document = NSPropertyListSerialization::dataWithPropertyList(sample, NSPropertyListBinaryFormat_v1_0);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->rfind("bplist00", 0), 0u);
    root.writeFile("/Sample.plist", *document);
    std::string python = listingByPython(root.hostPath("/Sample.plist"));
    std::vector<std::string> pythonLines;
    std::istringstream pythonStream(python);
    for (std::string line; std::getline(pythonStream, line);)
        pythonLines.push_back(line);
    std::sort(pythonLines.begin(), pythonLines.end());
    EXPECT_EQ(pythonLines, lines);

    auto readBack = NSPropertyListSerialization::propertyListWithData(*document);
    ASSERT_TRUE(readBack);
    EXPECT_TRUE(readBack->isEqual(sample.ptr()));
    EXPECT_EQ(listing(*readBack), listing(*sample));
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
// from; dates with fractions (which Python's XML reader takes as their
// whole seconds) read back here exactly.
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

namespace {

// Dates around the reference date, around the epoch and at the ends of
// the range, each with the whole second of its XML text and the exact
// seconds written beside it (none where the text alone is exact).
struct DateRow {
    double sinceReferenceDate;
    const char* text;
    const char* seconds;
};

const DateRow dateRows[] = {
    { 0, "2001-01-01T00:00:00Z", nullptr },
    { -0.0, "2001-01-01T00:00:00Z", "-0" },
    { 1e-300, "2001-01-01T00:00:00Z", "1e-300" },
    { -1e-300, "2000-12-31T23:59:59Z", "-1e-300" },
    { -5e-324, "2000-12-31T23:59:59Z", "-5e-324" },
    { 1e-7, "2001-01-01T00:00:00Z", "1e-07" },
    { 0.5, "2001-01-01T00:00:00Z", "0.5" },
    { -0.1, "2000-12-31T23:59:59Z", "-0.1" },
    { -2.5, "2000-12-31T23:59:57Z", "-2.5" },
    { -978307200, "1970-01-01T00:00:00Z", nullptr },
    { -978307200.0000001, "1969-12-31T23:59:59Z", "-978307200.0000001" },
    { -978307200.1, "1969-12-31T23:59:59Z", "-978307200.1" },
    { -978307199.9, "1970-01-01T00:00:00Z", "-978307199.9" },
    { -2147483649.5, "1932-12-13T20:45:50Z", "-2147483649.5" },
    { 2177452800.25, "2070-01-01T00:00:00Z", "2177452800.25" },
    { -63113904000, "0001-01-01T00:00:00Z", nullptr },
    { -63113903999.99999, "0001-01-01T00:00:00Z", "-63113903999.99999" },
    { 252423993599, "9999-12-31T23:59:59Z", nullptr },
    { 252423993599.99997, "9999-12-31T23:59:59Z", "252423993599.99997" },
};

std::string expectedElement(const DateRow& row)
{
    if (!row.seconds)
        return std::string("<date>") + row.text + "</date>";
    return std::string("<date seconds=\"") + row.seconds + "\">" + row.text + "</date>";
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Writes the dates as plistlib never could, exactly: a binary list built
// byte by byte, which plistlib must read as the dates it holds. Then
// plistlib writes the same dates (to the microsecond, as Python holds
// them) as XML and as binary, and prints the seconds it meant by each.
const char* exactDatesScript = R"(
import datetime, plistlib, struct, sys
REF = datetime.datetime(2001, 1, 1)
exact, python_xml, python_binary = sys.argv[1:4]
values = [float(text) for text in sys.argv[4:]]
objects = [bytes([0xAF, 0x10, len(values)]) + bytes(range(1, len(values) + 1))]
objects += [b'\x33' + struct.pack('>d', value) for value in values]
body, offsets = b'bplist00', []
for item in objects:
    offsets.append(len(body))
    body += item
table = len(body)
body += b''.join(struct.pack('>H', offset) for offset in offsets)
body += bytes(6) + bytes([2, 1]) + struct.pack('>QQQ', len(objects), 0, table)
open(exact, 'wb').write(body)
dates = [REF + datetime.timedelta(seconds=value) for value in values]
print(' '.join('same' if read == date else 'differs' for read, date in zip(plistlib.load(open(exact, 'rb')), dates)))
plistlib.dump(dates, open(python_xml, 'wb'), fmt=plistlib.FMT_XML)
plistlib.dump(dates, open(python_binary, 'wb'), fmt=plistlib.FMT_BINARY)
print(' '.join(repr((date.replace(microsecond=0) - REF).total_seconds()) for date in dates))
print(' '.join(repr((date - REF).total_seconds()) for date in dates))
)";

std::vector<double> secondsFromPython(const std::string& line)
{
    std::vector<double> seconds;
    std::istringstream words(line);
    for (std::string word; words >> word;)
        seconds.push_back(std::stod(word));
    return seconds;
}

std::vector<double> datesOf(const NSArray& array)
{
    std::vector<double> dates;
    for (const Ref<NSObject>& member : array.objects()) {
        auto* date = dynamic_cast<const NSDate*>(member.ptr());
        dates.push_back(date ? date->timeIntervalSinceReferenceDate() : NAN);
    }
    return dates;
}

} // namespace

// Every date is kept exactly through a read and a write: one read from a
// binary list, written as XML (as the extension rewrites layouts it
// loads) and read again is the same number, the sign of zero included.
// plistlib reads the XML written here as the whole second of each date,
// and what plistlib writes reads here as plistlib meant it.
TEST(PropertyListInterop, DatesAreKeptExactlyAroundTheReferenceDateTheEpochAndTheEnds)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/tmp"));
    std::vector<std::string> arguments { root.hostPath("/tmp/exact.binary").string(), root.hostPath("/tmp/python.xml").string(),
        root.hostPath("/tmp/python.binary").string() };
    for (const DateRow& row : dateRows) {
        char text[64];
        arguments.emplace_back(text, std::to_chars(text, text + sizeof text, row.sinceReferenceDate).ptr);
    }
    auto byPython = runPython(exactDatesScript, arguments);
    ASSERT_EQ(byPython.exitCode, 0) << byPython.errors;
    std::vector<std::string> lines = qv::testing::outputLines(byPython.output);
    ASSERT_EQ(lines.size(), 3u);
    const size_t count = std::size(dateRows);
    std::string allSame = "same";
    for (size_t i = 1; i < count; ++i)
        allSame += " same";
    EXPECT_EQ(lines[0], allSame) << "plistlib reads the exact binary list as the dates it holds";

    auto exact = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithContentsOfFile("/tmp/exact.binary"));
    ASSERT_TRUE(exact);
    auto xml = NSPropertyListSerialization::XMLDataWithPropertyList(*exact);
    ASSERT_TRUE(xml);
    auto reread = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithData(*xml));
    ASSERT_TRUE(reread);
    auto pythonXml = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithContentsOfFile("/tmp/python.xml"));
    auto pythonBinary = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithContentsOfFile("/tmp/python.binary"));
    ASSERT_TRUE(pythonXml);
    ASSERT_TRUE(pythonBinary);
    const std::vector<double> meantInXml = secondsFromPython(lines[1]), meantInBinary = secondsFromPython(lines[2]);
    const std::vector<std::vector<double>> read { datesOf(*exact), datesOf(*reread), datesOf(*pythonXml), datesOf(*pythonBinary) };
    for (const std::vector<double>& dates : read)
        ASSERT_EQ(dates.size(), count);
    ASSERT_EQ(meantInXml.size(), count);
    ASSERT_EQ(meantInBinary.size(), count);
    for (size_t i = 0; i < count; ++i) {
        const DateRow& row = dateRows[i];
        SCOPED_TRACE(row.seconds ? row.seconds : row.text);
        EXPECT_TRUE(sameBits(read[0][i], row.sinceReferenceDate)) << read[0][i];
        EXPECT_NE(xml->find(expectedElement(row) + "\n"), std::string::npos) << expectedElement(row);
        EXPECT_TRUE(sameBits(read[1][i], row.sinceReferenceDate)) << read[1][i];
        EXPECT_TRUE(sameBits(read[2][i], meantInXml[i])) << read[2][i] << " " << meantInXml[i];
        EXPECT_TRUE(sameBits(read[3][i], meantInBinary[i])) << read[3][i] << " " << meantInBinary[i];
    }

    root.writeFile("/tmp/here.xml", *xml);
    auto byPlistlib = runPython("import plistlib, sys\nprint(' '.join(d.isoformat() + 'Z' for d in plistlib.load(open(sys.argv[1], 'rb'))))",
        { root.hostPath("/tmp/here.xml").string() });
    ASSERT_EQ(byPlistlib.exitCode, 0) << byPlistlib.errors;
    std::string texts;
    for (const DateRow& row : dateRows)
        texts += (texts.empty() ? "" : " ") + std::string(row.text);
    EXPECT_EQ(byPlistlib.output, texts + "\n");
}

// The exact seconds refine a date's text only within the second it names:
// a text changed by hand holds, as do texts without seconds, or with
// seconds that are no moment.
TEST(PropertyListInterop, ExactSecondsRefineADateOnlyWithinItsSecond)
{
    struct Case {
        const char* element;
        double sinceReferenceDate;
    };
    const Case cases[] = {
        { "<date seconds=\"-0.1\">2000-12-31T23:59:59Z</date>", -0.1 },
        { "<date seconds=\"-0.1\">2001-01-01T00:00:00Z</date>", 0 },
        { "<date seconds=\"-0.1\">2000-12-31T23:59:58Z</date>", -2 },
        { "<date seconds=\"0.25\">2001Z</date>", 0.25 },
        { "<date seconds=\"\">2001-01-01T00:00:00Z</date>", 0 },
        { "<date seconds=\"soon\">2001-01-01T00:00:00Z</date>", 0 },
        { "<date seconds=\"0.5 \">2001-01-01T00:00:00Z</date>", 0 },
        { "<date seconds=\"nan\">2001-01-01T00:00:00Z</date>", 0 },
        { "<date seconds=\"inf\">9999-12-31T23:59:59Z</date>", 252423993599 },
        { "<date other=\"1\" seconds=\"1.5\">2001-01-01T00:00:01Z</date>", 1.5 },
        { "<date>2000-12-31T23:59:57.5Z</date>", -2.5 }, // as earlier versions wrote fractions
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.element);
        auto date = dynamicRefCast<NSDate>(NSPropertyListSerialization::propertyListWithData(
            std::string("<?xml version=\"1.0\"?><plist version=\"1.0\">") + row.element + "</plist>"));
        ASSERT_TRUE(date);
        EXPECT_EQ(date->timeIntervalSinceReferenceDate(), row.sinceReferenceDate);
    }
    EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><date seconds=\"0.5\">soon</date></plist>"));
}

TEST(PropertyListInterop, NonPropertyListValuesAreNotWritten)
{
    TemporaryDeviceRoot root;
    const std::string path = "/Layout.plist";
    ASSERT_TRUE(NSDictionary::create({ { "QV", true } })->writeToFile(path, true));
    const std::string before = root.readFile(path);

    auto cyclic = NSArray::create();
    cyclic->addObject(cyclic);
    // Binary holds text with control characters; the rest no format does.
    struct Case {
        const char* name;
        Ref<NSDictionary> value;
        bool binaryHolds;
        bool beyondLimits;
    };
    const Case cases[] = {
        { "boxed rectangle", NSDictionary::create({ { "GridFrame", NSValue::valueWithCGRect(CGRectMake(0, 0, 1, 1)) } }), false, false },
        { "plain object", NSDictionary::create({ { "object", NSObject::create() } }), false, false },
        { "text with a NUL byte", NSDictionary::create({ { "name", std::string("a\0b", 3) } }), true, false },
        { "key with a NUL byte", NSDictionary::create({ { std::string("a\0b", 3), 1 } }), false, false },
        { "text with a control character", NSDictionary::create({ { "name", "a\x01b" } }), true, false },
        { "key with a control character", NSDictionary::create({ { "a\x1f" "b", 1 } }), true, false },
        { "text not in UTF-8", NSDictionary::create({ { "name", "caf\xe9" } }), false, false },
        { "key not in UTF-8", NSDictionary::create({ { "caf\xe9", 1 } }), false, false },
        { "date past the year 9999", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSince1970(253402300800.0) } }), false, false },
        { "date before the year 1", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSince1970(-62135596800.5) } }), false, false },
        { "date that is no number", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSinceReferenceDate(NAN) } }), false, false },
        { "date at infinity", NSDictionary::create({ { "when", NSDate::dateWithTimeIntervalSinceReferenceDate(INFINITY) } }), false, false },
        { "array holding itself", NSDictionary::create({ { "loop", cyclic } }), false, true },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(NSPropertyListSerialization::XMLDataWithPropertyList(row.value));
        EXPECT_FALSE(row.value->writeToFile(path, true));
        EXPECT_EQ(root.readFile(path), before);
        NSPropertyListSerialization::WriteError error;
        auto binary = NSPropertyListSerialization::dataWithPropertyList(row.value, NSPropertyListBinaryFormat_v1_0, &error);
        EXPECT_EQ(bool(binary), row.binaryHolds) << error.reason;
        if (binary) {
            auto read = NSPropertyListSerialization::propertyListWithData(*binary);
            ASSERT_TRUE(read);
            EXPECT_TRUE(read->isEqual(row.value.ptr()));
        } else {
            EXPECT_EQ(error.beyondLimits, row.beyondLimits) << error.reason;
        }
    }
    // The loop is broken by hand so that the array can go.
    cyclic->removeAllObjects();
}
