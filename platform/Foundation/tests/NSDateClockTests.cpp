#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/VirtualClock.h"

#include <gtest/gtest.h>

using namespace qv;

// The current date follows the virtual clock a test installs, so that code
// comparing dates agrees with the timers it schedules.
TEST(NSDateClock, CurrentDateFollowsTheVirtualClock)
{
    VirtualClock clock(1000);
    EXPECT_EQ(NSDate::date()->timeIntervalSinceReferenceDate(), 1000);
    clock.advance(2.5);
    EXPECT_EQ(NSDate::date()->timeIntervalSinceReferenceDate(), 1002.5);
}
