#include "platform/core/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace qv;

TEST(Geometry, ContainsPointIsHalfOpen)
{
    struct Case { CGRect rect; CGPoint point; bool inside; };
    const Case cases[] = {
        { CGRectMake(0, 0, 10, 10), { 0, 0 }, true },
        { CGRectMake(0, 0, 10, 10), { 9.99, 9.99 }, true },
        { CGRectMake(0, 0, 10, 10), { 10, 5 }, false },
        { CGRectMake(0, 0, 10, 10), { 5, 10 }, false },
        { CGRectMake(0, 0, 10, 10), { -0.01, 5 }, false },
        { CGRectMake(10, 10, -10, -10), { 5, 5 }, true }, // standardised first
        { CGRectNull, { 0, 0 }, false },
        { CGRectMake(0, 0, 0, 0), { 0, 0 }, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CGRectContainsPoint(c.rect, c.point), c.inside) << NSStringFromCGRect(c.rect) << " " << NSStringFromCGPoint(c.point);
}

TEST(Geometry, IntersectionAndUnion)
{
    CGRect a = CGRectMake(0, 0, 10, 10);
    CGRect b = CGRectMake(5, 5, 10, 10);
    EXPECT_EQ(CGRectIntersection(a, b), CGRectMake(5, 5, 5, 5));
    EXPECT_TRUE(CGRectIntersectsRect(a, b));
    EXPECT_TRUE(CGRectIsNull(CGRectIntersection(a, CGRectMake(20, 20, 1, 1))));
    EXPECT_FALSE(CGRectIntersectsRect(a, CGRectMake(10, 0, 5, 5))); // touching edges do not meet
    EXPECT_EQ(CGRectUnion(a, b), CGRectMake(0, 0, 15, 15));
    EXPECT_EQ(CGRectUnion(CGRectNull, b), b);
    EXPECT_TRUE(CGRectContainsRect(CGRectMake(0, 0, 15, 15), b));
    EXPECT_FALSE(CGRectContainsRect(a, b));
}

TEST(Geometry, EdgesInsetAndOffset)
{
    CGRect r = CGRectMake(10, 20, 30, 40);
    EXPECT_EQ(CGRectGetMidX(r), 25);
    EXPECT_EQ(CGRectGetMidY(r), 40);
    EXPECT_EQ(CGRectGetMaxX(r), 40);
    EXPECT_EQ(CGRectGetMaxY(r), 60);
    EXPECT_EQ(CGRectInset(r, 5, 5), CGRectMake(15, 25, 20, 30));
    EXPECT_TRUE(CGRectIsNull(CGRectInset(r, 20, 0)));
    EXPECT_EQ(CGRectOffset(r, -10, 5), CGRectMake(0, 25, 30, 40));
    EXPECT_EQ(CGRectIntegral(CGRectMake(0.5, 0.5, 1, 1)), CGRectMake(0, 0, 2, 2));
}

TEST(Geometry, TransformsRotateScaleAndInvert)
{
    CGAffineTransform quarter = CGAffineTransformMakeRotation(std::numbers::pi / 2);
    CGPoint turned = CGPointApplyAffineTransform({ 1, 0 }, quarter);
    EXPECT_NEAR(turned.x, 0, 1e-12);
    EXPECT_NEAR(turned.y, 1, 1e-12);

    CGAffineTransform scale = CGAffineTransformMakeScale(2, 3);
    EXPECT_EQ(CGRectApplyAffineTransform(CGRectMake(1, 1, 2, 2), scale), CGRectMake(2, 3, 4, 6));

    CGAffineTransform both = CGAffineTransformConcat(scale, CGAffineTransformMakeTranslation(5, 5));
    CGPoint moved = CGPointApplyAffineTransform({ 1, 1 }, both);
    EXPECT_EQ(moved, CGPointMake(7, 8));
    CGPoint back = CGPointApplyAffineTransform(moved, CGAffineTransformInvert(both));
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);

    CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
    EXPECT_EQ(CGAffineTransformInvert(singular), singular);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGAffineTransformIdentity));
}

TEST(Geometry, Descriptions)
{
    EXPECT_EQ(NSStringFromCGRect(CGRectMake(1, 2.5, 3, 4)), "{{1, 2.5}, {3, 4}}");
    EXPECT_EQ(NSStringFromCGSize(CGSizeMake(76, 76)), "{76, 76}");
}
