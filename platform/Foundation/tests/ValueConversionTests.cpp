#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qv;

namespace {

constexpr int intMax = std::numeric_limits<int>::max();
constexpr int intMin = std::numeric_limits<int>::min();
constexpr long long longMax = std::numeric_limits<long long>::max();
constexpr long long longMin = std::numeric_limits<long long>::min();
constexpr double infinity = std::numeric_limits<double>::infinity();

struct ConversionCase {
    const char* name;
    Ref<NSObject> value;
    bool boolValue;
    int intValue;
    long long longLongValue;
    double doubleValue;
    float floatValue;
};

Ref<NSObject> text(const char* value) { return NSString::create(value); }
Ref<NSObject> real(double value) { return NSNumber::numberWithDouble(value); }
Ref<NSObject> integer(long long value) { return NSNumber::numberWithLongLong(value); }

} // namespace

// The device's conversion rules for text and numbers, and zero for every
// kind that holds no number.
TEST(ValueConversions, FollowTheDevicesRules)
{
    const ConversionCase cases[] = {
        // Text reads its leading number.
        { "leading digits", text("12abc"), true, 12, 12, 12, 12 },
        { "no digits", text("abc"), false, 0, 0, 0, 0 },
        { "empty", text(""), false, 0, 0, 0, 0 },
        { "white space first", text(" \t\n 42"), true, 42, 42, 42, 42 },
        { "negative real", text("  -17.9xyz"), true, -17, -17, -17.9, -17.9f },
        { "plus sign", text("+3"), true, 3, 3, 3, 3 },
        { "exponent", text("1.5e-2"), true, 1, 1, 0.015, 0.015f },
        { "integer stops at the exponent", text("1e3"), true, 1, 1, 1000, 1000 },
        { "bare fraction", text(".5"), false, 0, 0, 0.5, 0.5f },
        { "trailing dot", text("5."), true, 5, 5, 5, 5 },
        { "exponent without digits", text("1e"), true, 1, 1, 1, 1 },
        { "sign alone", text("-"), false, 0, 0, 0, 0 },
        { "hexadecimal is not read", text("0x1A"), false, 0, 0, 0, 0 },
        { "no special words", text("inf"), false, 0, 0, 0, 0 },
        // Booleans: Y, y, T, t or 1-9 after white space, sign and zeros.
        { "leading zeros", text("0001"), true, 1, 1, 1, 1 },
        { "only zeros", text("000"), false, 0, 0, 0, 0 },
        { "negative is true", text("-5"), true, -5, -5, -5, -5 },
        { "negative zero", text("-0"), false, 0, 0, 0, 0 },
        { "no", text("no"), false, 0, 0, 0, 0 },
        { "NO", text("NO"), false, 0, 0, 0, 0 },
        { "yes", text("yes"), true, 0, 0, 0, 0 },
        { "YES", text("YES"), true, 0, 0, 0, 0 },
        { "true", text("true"), true, 0, 0, 0, 0 },
        { "T", text("T"), true, 0, 0, 0, 0 },
        { "false", text("false"), false, 0, 0, 0, 0 },
        // Text out of range saturates.
        { "int overflow", text("99999999999"), true, intMax, 99999999999LL, 99999999999.0, 99999999999.0f },
        { "int underflow", text("-99999999999"), true, intMin, -99999999999LL, -99999999999.0, -99999999999.0f },
        { "huge integer", text("99999999999999999999999"), true, intMax, longMax, 1e23, 1e23f },
        { "most negative", text("-9223372036854775808"), true, intMin, longMin, -9223372036854775808.0, -9223372036854775808.0f },
        { "real overflow", text("1e999"), true, 1, 1, infinity, std::numeric_limits<float>::infinity() },
        { "real negative overflow", text("-1e999"), true, -1, -1, -infinity, -std::numeric_limits<float>::infinity() },
        { "real underflow", text("1e-999"), true, 1, 1, 0, 0 },
        { "beyond float", text("3.5e39"), true, 3, 3, 3.5e39, std::numeric_limits<float>::infinity() },
        // Numbers: non-zero is true; reals truncate toward zero and saturate.
        { "boolean yes", NSNumber::numberWithBool(true), true, 1, 1, 1, 1 },
        { "boolean no", NSNumber::numberWithBool(false), false, 0, 0, 0, 0 },
        { "integer", NSNumber::numberWithInt(-3), true, -3, -3, -3, -3 },
        { "integer zero", NSNumber::numberWithInt(0), false, 0, 0, 0, 0 },
        { "half", real(0.5), true, 0, 0, 0.5, 0.5f },
        { "negative real truncates up", real(-2.9), true, -2, -2, -2.9, -2.9f },
        { "positive real truncates down", real(2.9), true, 2, 2, 2.9, 2.9f },
        { "NaN", real(std::nan("")), true, 0, 0, std::nan(""), std::nanf("") },
        { "large real", real(1e20), true, intMax, longMax, 1e20, 1e20f },
        { "large negative real", real(-1e20), true, intMin, longMin, -1e20, -1e20f },
        { "infinity", real(infinity), true, intMax, longMax, infinity, std::numeric_limits<float>::infinity() },
        { "real beyond float", real(1e300), true, intMax, longMax, 1e300, std::numeric_limits<float>::infinity() },
        { "wide integer", integer(1LL << 40), true, intMax, 1LL << 40, 1099511627776.0, 1099511627776.0f },
        { "most negative integer", integer(longMin), true, intMin, longMin, -9223372036854775808.0, -9223372036854775808.0f },
        // Kinds without a number answer zero.
        { "data", NSData::dataWithBytes("1", 1), false, 0, 0, 0, 0 },
        { "array", NSArray::create({ 1 }), false, 0, 0, 0, 0 },
        { "plain object", NSObject::create(), false, 0, 0, 0, 0 },
    };
    for (const ConversionCase& row : cases) {
        SCOPED_TRACE(row.name);
        const NSObject& value = row.value;
        EXPECT_EQ(value.boolValue(), row.boolValue);
        EXPECT_EQ(value.intValue(), row.intValue);
        EXPECT_EQ(value.integerValue(), row.longLongValue);
        EXPECT_EQ(value.longLongValue(), row.longLongValue);
        if (std::isnan(row.doubleValue)) {
            EXPECT_TRUE(std::isnan(value.doubleValue()));
            EXPECT_TRUE(std::isnan(value.floatValue()));
        } else {
            EXPECT_DOUBLE_EQ(value.doubleValue(), row.doubleValue);
            EXPECT_FLOAT_EQ(value.floatValue(), row.floatValue);
        }
    }
}
