#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(ValueModel, Smoke)
{
    auto d = NSDictionary::create({ { "x", 10 }, { "QV", true } });
    EXPECT_EQ(d->count(), 2u);
}
