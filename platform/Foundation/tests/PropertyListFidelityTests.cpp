#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/PropertyListExtent.h"
#include "testing/PythonPlist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qv;

namespace {

std::string xmlDocument(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

// The value of a one-element document, or nothing.
RefPtr<NSObject> readElement(const std::string& element)
{
    return NSPropertyListSerialization::propertyListWithData(xmlDocument(element));
}

// Written and read back: the same value of the same kind, or nothing.
RefPtr<NSObject> writtenAndReadBack(const NSObject& value, std::string* written = nullptr)
{
    auto xml = NSPropertyListSerialization::XMLDataWithPropertyList(value);
    if (!xml)
        return nullptr;
    if (written)
        *written = *xml;
    return NSPropertyListSerialization::propertyListWithData(*xml);
}

constexpr unsigned long long unsignedMax = std::numeric_limits<unsigned long long>::max();

} // namespace

// An XML integer is decimal whatever its leading zeros ("010" was read as
// octal 8, "0080" as 0), or hexadecimal after "0x" as Python reads it; it
// runs from -2^63 to 2^64-1 and is written back in plain decimal.
TEST(PropertyListFidelity, XmlIntegersAreReadWholeAndDecimal)
{
    struct Case {
        const char* text;
        const char* value;   // as written back
        bool isUnsigned;
    };
    const Case cases[] = {
        { "010", "10", false },
        { "0080", "80", false },
        { "-0010", "-10", false },
        { "+7", "7", false },
        { "000", "0", false },
        { "-0", "0", false },
        { " 42\n", "42", false },
        { "0x1F", "31", false },
        { "9223372036854775807", "9223372036854775807", false },
        { "-9223372036854775808", "-9223372036854775808", false },
        { "9223372036854775808", "9223372036854775808", true },
        { "18446744073709551615", "18446744073709551615", true },
        { "0xFFFFFFFFFFFFFFFF", "18446744073709551615", true },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.text);
        auto number = dynamicRefCast<NSNumber>(readElement(std::string("<integer>") + row.text + "</integer>"));
        ASSERT_TRUE(number);
        EXPECT_EQ(number->kind(), NSNumber::Kind::Integer);
        EXPECT_EQ(number->description(), row.value);
        EXPECT_EQ(number->isUnsignedBeyondSignedRange(), row.isUnsigned);
        std::string written;
        auto reread = writtenAndReadBack(*number, &written);
        ASSERT_TRUE(reread);
        EXPECT_TRUE(reread->isEqual(number.get()));
        EXPECT_NE(written.find(std::string("<integer>") + row.value + "</integer>"), std::string::npos) << written;
    }
    // Out of range or not an integer: the document is refused, not changed.
    for (const char* text : { "18446744073709551616", "-9223372036854775809", "99999999999999999999999", "", "1.5", "--1",
             "+-1", "0x", "-0x1", "12a", "1 2", "1e3" }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(readElement(std::string("<integer>") + text + "</integer>"));
    }
}

// Integers beyond the signed range are numbers of their own: equal only to
// themselves (and to a real of the same value), hashed alike when equal,
// and saturating where a signed value is asked for.
TEST(PropertyListFidelity, UnsignedIntegersKeepTheirValue)
{
    auto largest = NSNumber::numberWithUnsignedLongLong(unsignedMax);
    auto top = NSNumber::numberWithUnsignedLongLong(1ULL << 63);
    EXPECT_EQ(largest->description(), "18446744073709551615");
    EXPECT_EQ(largest->unsignedLongLongValue(), unsignedMax);
    EXPECT_EQ(largest->longLongValue(), NSIntegerMax);
    EXPECT_EQ(largest->doubleValue(), 18446744073709551616.0);
    EXPECT_FALSE(largest->isEqual(NSNumber::numberWithLongLong(-1).ptr()));
    EXPECT_FALSE(NSNumber::numberWithLongLong(-1)->isEqual(largest.ptr()));
    EXPECT_TRUE(largest->isEqual(NSNumber::numberWithUnsignedLongLong(unsignedMax).ptr()));
    EXPECT_FALSE(largest->isEqual(NSNumber::numberWithDouble(18446744073709551616.0).ptr()));
    EXPECT_TRUE(top->isEqual(NSNumber::numberWithDouble(9223372036854775808.0).ptr()));
    EXPECT_EQ(top->hash(), NSNumber::numberWithDouble(9223372036854775808.0)->hash());
    EXPECT_EQ(NSNumber::numberWithUnsignedLongLong(5)->kind(), NSNumber::Kind::Integer);
    EXPECT_FALSE(NSNumber::numberWithUnsignedLongLong(5)->isUnsignedBeyondSignedRange());
    EXPECT_TRUE(NSNumber::numberWithUnsignedLongLong(5)->isEqual(NSNumber::numberWithInt(5).ptr()));
    EXPECT_EQ(NSNumber::numberWithLongLong(-3)->unsignedLongLongValue(), 0u);
    EXPECT_EQ(NSNumber::numberWithDouble(1e30)->unsignedLongLongValue(), unsignedMax);
}

// Dates keep every fraction of a second over the years 1 to 9999, far
// beyond the 32-bit seconds they were cut to (2070-01-01 came back as
// 1932-12-13, a binary -2.5 s as -1.5 s). The text is the whole second, as
// every reader takes it; a fraction rides beside it as the exact seconds.
// Texts with a fraction, as earlier versions wrote them, still read.
TEST(PropertyListFidelity, DatesAreKeptToTheFractionOfASecond)
{
    struct Case {
        double sinceReferenceDate;
        const char* element;
        const char* earlierText; // with a fraction, as written before; or none
    };
    const Case cases[] = {
        { 0, "<date>2001-01-01T00:00:00Z</date>", nullptr },
        { -2.5, "<date seconds=\"-2.5\">2000-12-31T23:59:57Z</date>", "2000-12-31T23:59:57.5Z" },
        { 0.25, "<date seconds=\"0.25\">2001-01-01T00:00:00Z</date>", "2001-01-01T00:00:00.25Z" },
        { 1e-7, "<date seconds=\"1e-07\">2001-01-01T00:00:00Z</date>", "2001-01-01T00:00:00.0000001Z" },
        { 1e-30, "<date seconds=\"1e-30\">2001-01-01T00:00:00Z</date>", nullptr },
        { 2177452800, "<date>2070-01-01T00:00:00Z</date>", nullptr },
        { -2147483648.0, "<date>1932-12-13T20:45:52Z</date>", nullptr },
        { -2147483649.5, "<date seconds=\"-2147483649.5\">1932-12-13T20:45:50Z</date>", "1932-12-13T20:45:50.5Z" },
        { 2147483648.0, "<date>2069-01-19T03:14:08Z</date>", nullptr },
        { -978307200.125, "<date seconds=\"-978307200.125\">1969-12-31T23:59:59Z</date>", "1969-12-31T23:59:59.875Z" },
        { -26524800 + 0.375, "<date seconds=\"-26524799.625\">2000-02-29T00:00:00Z</date>", "2000-02-29T00:00:00.375Z" },
        { -63113904000.0, "<date>0001-01-01T00:00:00Z</date>", nullptr },
        { 252423993599.75, "<date seconds=\"252423993599.75\">9999-12-31T23:59:59Z</date>", "9999-12-31T23:59:59.75Z" },
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.element);
        auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(row.sinceReferenceDate);
        std::string written;
        auto reread = dynamicRefCast<NSDate>(writtenAndReadBack(*date, &written));
        ASSERT_TRUE(reread);
        EXPECT_EQ(reread->timeIntervalSinceReferenceDate(), row.sinceReferenceDate);
        EXPECT_NE(written.find(std::string(row.element) + "\n"), std::string::npos) << written;
        EXPECT_EQ(PropertyListExtent::ofDate(row.sinceReferenceDate).documentBytes(), written.size()) << "the readers' measure";
        if (!row.earlierText)
            continue;
        auto read = dynamicRefCast<NSDate>(readElement(std::string("<date>") + row.earlierText + "</date>"));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->timeIntervalSinceReferenceDate(), row.sinceReferenceDate);
    }
}

// Binary dates are reals of seconds: read exactly, and written to XML and
// read back exactly.
TEST(PropertyListFidelity, BinaryDatesAreKeptExactly)
{
    std::string bytes = qv::testing::binaryPropertyListFromPython(
        "[datetime.datetime(2000, 12, 31, 23, 59, 57, 500000), datetime.datetime(2070, 1, 1),"
        " datetime.datetime(1900, 1, 1, 0, 0, 0, 125000), datetime.datetime(9999, 12, 31, 23, 59, 59, 750000)]");
    auto dates = dynamicRefCast<NSArray>(NSPropertyListSerialization::propertyListWithData(bytes));
    ASSERT_TRUE(dates);
    const double expected[] = { -2.5, 2177452800.0, -3187295999.875, 252423993599.75 };
    ASSERT_EQ(dates->count(), std::size(expected));
    auto reread = dynamicRefCast<NSArray>(writtenAndReadBack(*dates));
    ASSERT_TRUE(reread);
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(dates->objectAtIndex<NSDate>(i)->timeIntervalSinceReferenceDate(), expected[i]);
        EXPECT_EQ(reread->objectAtIndex<NSDate>(i)->timeIntervalSinceReferenceDate(), expected[i]);
    }
}

// The forms of a date's text that readers take (Python's among them), and
// those no reader should guess at.
TEST(PropertyListFidelity, DateTextsAreReadOrRefused)
{
    struct Case {
        const char* text;
        double sinceReferenceDate;
    };
    const Case accepted[] = {
        { "2001Z", 0 },
        { "2001-02Z", 31 * 86400 },
        { "2001-01-02Z", 86400 },
        { "2001-01-01T01Z", 3600 },
        { "2001-01-01T00:01Z", 60 },
        { " 2001-01-01T00:00:01Z\n", 1 },
        { "2004-02-29T00:00:00Z", 1154 * 86400.0 },
    };
    for (const Case& row : accepted) {
        SCOPED_TRACE(row.text);
        auto date = dynamicRefCast<NSDate>(readElement(std::string("<date>") + row.text + "</date>"));
        ASSERT_TRUE(date);
        EXPECT_EQ(date->timeIntervalSinceReferenceDate(), row.sinceReferenceDate);
    }
    for (const char* text : { "2001-01-01T00:00:00", "2001-02-30T00:00:00Z", "2003-02-29T00:00:00Z", "1900-02-29T00:00:00Z",
             "0000-01-01T00:00:00Z", "2001-13-01T00:00:00Z", "2001-01-01T24:00:00Z", "2001-01-01T00:60:00Z",
             "2001-01-01T00:00:60Z", "2001-01-01T00:00:00.Z", "2001-01-01T00:00:00.5xZ", "2001-01-01T00:00.5Z",
             "10000-01-01T00:00:00Z", "-001-01-01T00:00:00Z", "2001-1-1T00:00:00Z", "" }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(readElement(std::string("<date>") + text + "</date>"));
    }
}

// Reals keep every bit (the sign of zero, the smallest and largest) and
// read as C and Python write them.
TEST(PropertyListFidelity, RealsAreKeptExactly)
{
    const double values[] = { -0.0, 5e-324, std::numeric_limits<double>::max(), -std::numeric_limits<double>::min(), 0.1, 1.0 / 3,
        123456789.125, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity() };
    for (double value : values) {
        SCOPED_TRACE(value);
        auto reread = dynamicRefCast<NSNumber>(writtenAndReadBack(NSNumber::numberWithDouble(value)));
        ASSERT_TRUE(reread);
        EXPECT_EQ(reread->kind(), NSNumber::Kind::Real);
        EXPECT_EQ(std::signbit(reread->doubleValue()), std::signbit(value));
        EXPECT_EQ(reread->doubleValue(), value);
    }
    auto nan = dynamicRefCast<NSNumber>(writtenAndReadBack(NSNumber::numberWithDouble(NAN)));
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(nan->doubleValue()));

    struct Case {
        const char* text;
        double value;
    };
    const Case texts[] = { { "+1.5", 1.5 }, { " 2 ", 2 }, { ".5", 0.5 }, { "1e999", INFINITY }, { "-1e999", -INFINITY },
        { "1e-999", 0 }, { "Infinity", INFINITY }, { "-inf", -INFINITY } };
    for (const Case& row : texts) {
        SCOPED_TRACE(row.text);
        auto number = dynamicRefCast<NSNumber>(readElement(std::string("<real>") + row.text + "</real>"));
        ASSERT_TRUE(number);
        EXPECT_EQ(number->doubleValue(), row.value);
    }
    for (const char* text : { "", "1.5.5", "0x10", "1,5", "++1", "one" }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(readElement(std::string("<real>") + text + "</real>"));
    }
}

// Text keeps every character XML can hold, a carriage return included
// (written as a reference: XML reads a bare one as a line feed).
TEST(PropertyListFidelity, TextIsKeptExactly)
{
    const char* texts[] = { "a\rb", "a\r\nb", "<&>\"'", "]]>", "tab\tand\nline", "  spaces  ", "", "\xf0\x9f\x98\x80 \xc3\xa9" };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        auto value = NSDictionary::create({ { text, text } });
        auto reread = dynamicRefCast<NSDictionary>(writtenAndReadBack(*value));
        ASSERT_TRUE(reread);
        ASSERT_TRUE(reread->stringForKey(text));
        EXPECT_EQ(reread->stringForKey(text)->string(), text);
    }
}
