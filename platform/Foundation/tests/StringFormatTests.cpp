#include "platform/Foundation/NSArray.h"
#include "platform/core/CoreTesting.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/StringFormat.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace qv;

namespace {

struct FormatCase {
    std::string produced;
    std::string expected;
};

enum class Orientation { Portrait = 1, Landscape = 3 };

} // namespace

TEST(StringFormat, WritesEveryConversionLikePrintf)
{
    const char* nullText = nullptr;
    RefPtr<NSString> absent;
    const FormatCase cases[] = {
        { stringWithFormat("%d %i", 42, -7), "42 -7" },
        { stringWithFormat("%u", -1), "4294967295" },
        { stringWithFormat("%lu", static_cast<unsigned long>(-1)), "18446744073709551615" },
        { stringWithFormat("%ld", NSIntegerMin), "-9223372036854775808" },
        { stringWithFormat("%lld %llu", -5LL, 5ULL), "-5 5" },
        { stringWithFormat("%d", 5000000000LL), "705032704" },
        { stringWithFormat("%hd|%hhd|%hhu", 65537, 257, -1), "1|1|255" },
        { stringWithFormat("%5d|%-5d|%05d|%+d|% d", 42, 42, 42, 5, 5), "   42|42   |00042|+5| 5" },
        { stringWithFormat("%x %X %#x %o", 255, 255, 255, 8), "ff FF 0xff 10" },
        { stringWithFormat("%f|%.2f|%10.3f|%-8.1f|", 1.5, 3.14159, -2.5, 2.25), "1.500000|3.14|    -2.500|2.2     |" },
        { stringWithFormat("%g %g %e %E", 0.0001, 1e20, 12345.678, 0.5), "0.0001 1e+20 1.234568e+04 5.000000E-01" },
        { stringWithFormat("%F %G", 1.0f, 2.5), "1.000000 2.5" },
        { stringWithFormat("%*d|%-*d|%.*f", 5, 42, 4, 7, 1, 2.26), "   42|7   |2.3" },
        { stringWithFormat("%*d|", -4, 1), "1   |" },
        { stringWithFormat("%c%c", 'O', 107), "Ok" },
        { stringWithFormat("%s and %s", "text", std::string("more")), "text and more" },
        { stringWithFormat("[%6s][%-6s][%.2s]", "ab", "ab", "abcdef"), "[    ab][ab    ][ab]" },
        { stringWithFormat("%s", nullText), "(null)" },
        { stringWithFormat("100%% done"), "100% done" },
        { stringWithFormat("%@", NSString::create("Blue Grid")), "Blue Grid" },
        { stringWithFormat("%@ %@", NSNumber::numberWithBool(true), NSNumber::numberWithDouble(0.5)), "1 0.5" },
        { stringWithFormat("%@", absent), "(null)" },
        { stringWithFormat("%@", static_cast<NSObject*>(nullptr)), "(null)" },
        { stringWithFormat("%@ %@ %@", 42, 2.5, "text"), "42 2.5 text" },
        { stringWithFormat("[%8@]", NSString::create("abc")), "[     abc]" },
        { stringWithFormat("%@", NSArray::create({ 1, "two words" })), "(\n    1,\n    \"two words\"\n)" },
        { stringWithFormat("%@", *NSString::create("by reference")), "by reference" },
        { stringWithFormat("Page%luLayout", NSUInteger(3)), "Page3Layout" },
        { stringWithFormat("Folder_%@_Layout", std::string("Games")), "Folder_Games_Layout" },
        { stringWithFormat("%@/%@.plist", "/var/mobile/Library/Quiltvane/Layouts", NSString::create("Blue")), "/var/mobile/Library/Quiltvane/Layouts/Blue.plist" },
        { stringWithFormat("%d", Orientation::Landscape), "3" },
        { stringWithFormat("%d %d", true, false), "1 0" },
        { stringWithFormat("%p", static_cast<const void*>(nullptr)), "0x0" },
        // Arguments of another kind are converted, never misread.
        { stringWithFormat("%d", 2.9), "2" },
        { stringWithFormat("%f", 3), "3.000000" },
        { stringWithFormat("%d", "12"), "12" },
        { stringWithFormat("%d|%d", 1), "1|" },
        { stringWithFormat("%d", 1, 2), "1" },
        { stringWithFormat("%y and %d", 4), "%y and 4" },
        { stringWithFormat("trailing %"), "trailing %" },
        { stringWithFormat("wide %99999999d", 1).size() < 70000 ? std::string("clamped") : std::string("huge"), "clamped" },
    };
    for (const FormatCase& row : cases)
        EXPECT_EQ(row.produced, row.expected);
}

TEST(StringFormat, PointersShowTheirAddress)
{
    int value = 0;
    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&value)));
    EXPECT_EQ(stringWithFormat("%p", &value), expected);
    auto object = NSObject::create();
    EXPECT_EQ(stringWithFormat("%p", object).rfind("0x", 0), 0u);
    EXPECT_NE(stringWithFormat("%p", object), "0x0");
}

TEST(StringFormat, NSStringAndNSLog)
{
    EXPECT_EQ(NSString::stringWithFormat("%@.plist", "Default")->string(), "Default.plist");
    LogCapture capture;
    NSLog("CURRENT_LAYOUT: %@", NSString::create("Default.plist//DEFAULT"));
    NSLog("PAGE_LAYOUT %llu: %@", 2ULL, RefPtr<NSString>());
    EXPECT_EQ(capture.lines(), (std::vector<std::string> { "CURRENT_LAYOUT: Default.plist//DEFAULT", "PAGE_LAYOUT 2: (null)" }));
}
