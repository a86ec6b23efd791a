#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSSet.h"
#include "platform/Foundation/NSString.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(NSSetTest, HoldsEachEqualObjectOnceInTheOrderFirstAdded)
{
    Ref<NSSet> set = NSSet::setWithArray(NSArray::create({ "b", "a", "b", 1, true }));
    // The number 1 and YES are equal values, as on the device.
    EXPECT_EQ(set->count(), 3u);
    EXPECT_TRUE(set->containsObject(NSString::create("a").ptr()));
    EXPECT_TRUE(set->containsObject(NSNumber::numberWithInt(1).ptr()));
    EXPECT_FALSE(set->containsObject(NSString::create("c").ptr()));
    EXPECT_FALSE(set->containsObject(nullptr));
    EXPECT_TRUE(set->allObjects()->isEqual(NSArray::create({ "b", "a", 1 }).ptr()));

    set->addObject("a");
    set->addObject("c");
    set->removeObject(NSString::create("b").ptr());
    EXPECT_TRUE(set->allObjects()->isEqual(NSArray::create({ "a", 1, "c" }).ptr()));
    EXPECT_TRUE(set->isEqual(NSSet::setWithArray(NSArray::create({ "c", 1, "a" })).ptr())) << "order does not matter";
    EXPECT_FALSE(set->isEqual(NSSet::setWithArray(NSArray::create({ "c", "a" })).ptr()));
    EXPECT_FALSE(set->isEqual(NSArray::create({ "a", 1, "c" }).ptr()));
    EXPECT_EQ(NSSet::create()->allObjects()->count(), 0u);
}
