#include "platform/Foundation/NSString.h"
#include "platform/UIKit/UIFont.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(UIFontTest, SystemFontsByWeightAndSize)
{
    Ref<UIFont> regular = UIFont::systemFontOfSize(14);
    Ref<UIFont> bold = UIFont::boldSystemFontOfSize(18);
    EXPECT_EQ(regular->fontName(), "System");
    EXPECT_EQ(regular->pointSize(), 14);
    EXPECT_EQ(bold->fontName(), "System-Bold");
    EXPECT_EQ(bold->pointSize(), 18);
}

TEST(UIFontTest, EqualByNameAndSize)
{
    Ref<UIFont> font = UIFont::systemFontOfSize(14);
    EXPECT_TRUE(font->isEqual(UIFont::systemFontOfSize(14).ptr()));
    EXPECT_FALSE(font->isEqual(UIFont::systemFontOfSize(18).ptr()));
    EXPECT_FALSE(font->isEqual(UIFont::boldSystemFontOfSize(14).ptr()));
    EXPECT_FALSE(font->isEqual(nullptr));
    EXPECT_FALSE(font->isEqual(NSString::create("System").ptr()));
    EXPECT_EQ(font->hash(), UIFont::systemFontOfSize(14)->hash());
    EXPECT_EQ(font->className(), "UIFont");
}
