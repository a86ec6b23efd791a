#include "model/tests/support/ModelTestSupport.h"
#include "model/tests/support/TestedReader.h"
#include "platform/Foundation/NSArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qv;
using qv::testing::readerKeepsFractions;

namespace {

class IconOriginTest : public ::testing::Test {
protected:
    qv::testing::LayoutRoot layouts;
    Ref<qv::testing::TestedReader> reader = qv::testing::TestedReader::create();
};

} // namespace

// The application works on whole points and truncates toward zero; the
// extension and the Settings bundle keep the fractions, to single
// precision. Out-of-range and NaN values saturate to whole points instead
// of reaching undefined behaviour.
TEST_F(IconOriginTest, OriginsByFlavour)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        Ref<NSObject> entry;
        CGPoint whole;
        CGPoint fractional;
    };
    const Case cases[] = {
        { "reals", NSDictionary::create({ { "x", 12.7 }, { "y", -3.5 } }), { 12, -3 }, { 12.7f, -3.5f } },
        { "integers", NSDictionary::create({ { "x", 10 }, { "y", 20 }, { "LockedIndex", 4 } }), { 10, 20 }, { 10, 20 } },
        { "no y", NSDictionary::create({ { "x", 5 } }), { 5, 0 }, { 5, 0 } },
        { "strings read their leading number", NSDictionary::create({ { "x", "42.9px" }, { "y", " -7" } }), { 42, -7 }, { 42.9f, -7 } },
        { "other kinds read as 0", NSDictionary::create({ { "x", NSArray::create() }, { "y", NSDictionary::create() } }), { 0, 0 }, { 0, 0 } },
        { "booleans are numbers", NSDictionary::create({ { "x", true }, { "y", false } }), { 1, 0 }, { 1, 0 } },
        { "huge values saturate", NSDictionary::create({ { "x", 1e300 }, { "y", -1e300 } }),
            { static_cast<CGFloat>(std::numeric_limits<int>::max()), static_cast<CGFloat>(std::numeric_limits<int>::min()) },
            { std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() } },
        { "an entry that is no dictionary", NSArray::create({ 1, 2 }), { 0, 0 }, { 0, 0 } },
        { "a string entry", NSString::create("10,20"), { 0, 0 }, { 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CGPoint expected = readerKeepsFractions ? c.fractional : c.whole;
        const CGPoint origin = reader->iconOriginFromIconData(c.entry);
        EXPECT_EQ(origin.x, expected.x);
        EXPECT_EQ(origin.y, expected.y);
    }

    const CGPoint fromNaN = reader->iconOriginFromIconData(NSDictionary::create({ { "x", nan }, { "y", 3 } }));
    if (readerKeepsFractions)
        EXPECT_TRUE(std::isnan(fromNaN.x));
    else
        EXPECT_EQ(fromNaN.x, 0);
    EXPECT_EQ(fromNaN.y, 3);
    EXPECT_EQ(reader->iconOriginFromIconData(nullptr), CGPointZero);
}

// The frame takes the entry's origin and the default frame's size; the
// default frame's own origin is not used.
TEST_F(IconOriginTest, FrameFromEntryAndDefaultFrame)
{
    auto entry = NSDictionary::create({ { "x", 10.5 }, { "y", 20 } });
    const CGRect frame = reader->iconFrameFromIconData(entry, CGRectMake(5, 5, 60, 59));
    EXPECT_EQ(frame, CGRectMake(readerKeepsFractions ? 10.5 : 10, 20, 60, 59));
    EXPECT_EQ(reader->iconFrameFromIconData(nullptr, CGRectMake(5, 5, 60, 60)), CGRectMake(0, 0, 60, 60));
}
