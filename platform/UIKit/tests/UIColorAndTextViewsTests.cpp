#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UILabel.h"
#include "platform/UIKit/UITextView.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qv;

TEST(UIColor, ComponentsOfTheNamedColours)
{
    struct Case {
        const char* name;
        Ref<UIColor> color;
        CGFloat red, green, blue, alpha;
        bool grey;
    };
    const Case cases[] = {
        { "black", UIColor::blackColor(), 0, 0, 0, 1, true },
        { "dark grey", UIColor::darkGrayColor(), 1.0 / 3, 1.0 / 3, 1.0 / 3, 1, true },
        { "grey", UIColor::grayColor(), 0.5, 0.5, 0.5, 1, true },
        { "light grey", UIColor::lightGrayColor(), 2.0 / 3, 2.0 / 3, 2.0 / 3, 1, true },
        { "white", UIColor::whiteColor(), 1, 1, 1, 1, true },
        { "clear", UIColor::clearColor(), 0, 0, 0, 0, true },
        { "white at 0.8", UIColor::colorWithWhite(1, 0.8), 1, 1, 1, 0.8, true },
        { "accent", UIColor::colorWithRed(0, 0.487, 1, 1), 0, 0.487, 1, 1, false },
        { "pinned", UIColor::colorWithRed(2, -1, NAN, 0.5), 1, 0, 0, 0.5, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGFloat r = -1, g = -1, b = -1, a = -1;
        EXPECT_TRUE(c.color->getRed(&r, &g, &b, &a));
        EXPECT_DOUBLE_EQ(r, c.red);
        EXPECT_DOUBLE_EQ(g, c.green);
        EXPECT_DOUBLE_EQ(b, c.blue);
        EXPECT_DOUBLE_EQ(a, c.alpha);
        CGFloat white = -1;
        EXPECT_EQ(c.color->getWhite(&white, nullptr), c.grey);
        EXPECT_EQ(white, c.grey ? c.red : -1);
    }
}

TEST(UIColor, EqualityAndAlpha)
{
    EXPECT_TRUE(UIColor::whiteColor()->isEqual(UIColor::colorWithRed(1, 1, 1, 1).ptr()));
    EXPECT_FALSE(UIColor::whiteColor()->isEqual(UIColor::colorWithWhite(1, 0.8).ptr()));
    EXPECT_FALSE(UIColor::whiteColor()->isEqual(nullptr));
    EXPECT_FALSE(UIColor::whiteColor()->isEqual(NSObject::create().ptr()));
    EXPECT_EQ(UIColor::whiteColor()->hash(), UIColor::colorWithRed(1, 1, 1, 1)->hash());
    Ref<UIColor> faded = UIColor::redColor()->colorWithAlphaComponent(0.25);
    EXPECT_EQ(*faded, *UIColor::colorWithRed(1, 0, 0, 0.25));
    EXPECT_FALSE(faded->getWhite(nullptr, nullptr));
}

TEST(UILabel, DefaultsAndSettings)
{
    Ref<UILabel> label = makeRef<UILabel>(CGRectMake(0, 0, 59, 22));
    EXPECT_FALSE(label->userInteractionEnabled());
    EXPECT_EQ(*label->textColor(), *UIColor::blackColor());
    EXPECT_EQ(label->textAlignment(), NSTextAlignmentLeft);
    EXPECT_EQ(label->numberOfLines(), 1);
    EXPECT_EQ(label->shadowOffset(), CGSizeMake(0, -1));
    EXPECT_FALSE(label->shadowColor());
    EXPECT_FALSE(label->backgroundColor());
    label->setTextColor(UIColor::whiteColor());
    label->setTextColor(nullptr); // no colour gives the default again
    EXPECT_EQ(*label->textColor(), *UIColor::blackColor());
    label->setText("Icon 3");
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(0.5);
    EXPECT_EQ(label->text(), "Icon 3");
    EXPECT_TRUE(label->adjustsFontSizeToFitWidth());
    EXPECT_EQ(label->minimumScaleFactor(), 0.5);
}

TEST(UITextView, DefaultsAndSettings)
{
    Ref<UITextView> text = makeRef<UITextView>(CGRectMake(0, 0, 200, 100));
    EXPECT_TRUE(text->userInteractionEnabled());
    EXPECT_TRUE(text->editable());
    EXPECT_EQ(*text->backgroundColor(), *UIColor::whiteColor());
    text->setEditable(false);
    text->setSelectable(false);
    text->setText("Tap to dismiss");
    text->setTextAlignment(NSTextAlignmentCenter);
    EXPECT_FALSE(text->editable());
    EXPECT_FALSE(text->selectable());
    EXPECT_EQ(text->textAlignment(), NSTextAlignmentCenter);
}

TEST(UIImageView, ShowsTheHighlightedImageWhileHighlighted)
{
    RefPtr<UIImage> plain = UIImage::imageWithPixels(PixelBuffer(1, 1));
    RefPtr<UIImage> bright = UIImage::imageWithPixels(PixelBuffer(1, 1));
    ASSERT_TRUE(plain && bright);
    Ref<UIImageView> view = makeRef<UIImageView>(plain);
    EXPECT_FALSE(view->userInteractionEnabled());
    EXPECT_EQ(view->currentImage(), plain);
    view->setHighlighted(true);
    EXPECT_EQ(view->currentImage(), plain); // no highlighted image yet
    view->setHighlightedImage(bright);
    EXPECT_EQ(view->currentImage(), bright);
    view->setImage(nullptr);
    view->setHighlighted(false);
    EXPECT_FALSE(view->currentImage());
}

TEST(UIImageView, MadeWithAnImageTakesItsSizeInPoints)
{
    // A theme's icon is shown beside its row at its own size; a file that
    // gave no image gives an empty view.
    struct Case {
        size_t width, height;
        CGFloat scale;
        CGRect frame;
    };
    for (const Case& c : { Case { 60, 60, 1, CGRectMake(0, 0, 60, 60) }, Case { 120, 114, 2, CGRectMake(0, 0, 60, 57) } }) {
        RefPtr<UIImage> image = UIImage::imageWithPixels(PixelBuffer(c.width, c.height), c.scale);
        ASSERT_TRUE(image);
        EXPECT_EQ(makeRef<UIImageView>(image)->frame(), c.frame);
        EXPECT_EQ(makeRef<UIImageView>(image, nullptr)->frame(), c.frame);
    }
    EXPECT_EQ(makeRef<UIImageView>(RefPtr<UIImage>())->frame(), CGRectZero);
}
