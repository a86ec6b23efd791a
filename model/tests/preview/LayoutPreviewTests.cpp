#include "model/QVLayoutKeys.h"
#include "model/QVLayoutPreview.h"
#include "model/tests/support/ModelTestSupport.h"
#include "model/tests/support/TestedReader.h"

#include <gtest/gtest.h>

#if defined(QV_MODEL_APPLICATION)
#include "model/QVSettings.h"
#endif

using namespace qv;
using qv::testing::iconEntry;
using qv::testing::readerKeepsFractions;
using qv::testing::ScopedDeviceProfile;

namespace {

class LayoutPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { layouts.writeImage("/Applications/Quilt Vane.app/Default_Icon.png"); }

    static std::vector<CGRect> dotFrames(const UIView& preview)
    {
        std::vector<CGRect> frames;
        for (const Ref<UIView>& dot : preview.subviews())
            frames.push_back(dot->frame());
        return frames;
    }

    qv::testing::LayoutRoot layouts;
};

} // namespace

// One dot per icon at the origin over the device's divisors, landscape
// dots 80 points to the right and made first (so that portrait dots lie on
// top), nothing clamped to the frame.
TEST_F(LayoutPreviewTest, DotsPerDeviceClass)
{
    struct Case {
        DeviceProfile profile;
        const char* portraitKey;
        CGFloat dx, dy, side;
    };
    const Case cases[] = {
        { *DeviceProfile::named("iphone-3.5"), "Origins-3_5Inch", 7, 8, 10 },
        { *DeviceProfile::named("iphone-4"), "Origins-4Inch", 8, 9, 9 },
        { *DeviceProfile::named("iphone-4.7"), "Origins-4_7Inch", 10, 11, 9 },
        { *DeviceProfile::named("iphone-5.5"), "Origins-5_5Inch", 10, 11, 8 },
        { *DeviceProfile::named("ipad"), "Origins-iPad", 10, 12, 8 },
        { qv::testing::screenProfile(600, UIUserInterfaceIdiomPhone), "Origins", 7, 8, 10 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.portraitKey);
        ScopedDeviceProfile device(c.profile);
        auto layout = NSDictionary::create({
            { c.portraitKey, NSArray::create({ iconEntry(160, 284), iconEntry(-70, 4000) }) },
            { std::string(c.portraitKey) + "-Landscape", NSArray::create({ iconEntry(160, 284) }) },
        });
        Ref<QVLayoutPreview> preview = QVLayoutPreview::create(CGRectMake(0, 0, 170, 60), layout);
        EXPECT_EQ(preview->frame(), CGRectMake(0, 0, 170, 60));
        const std::vector<CGRect> expected {
            CGRectMake(160 / c.dx + 80, 284 / c.dy, c.side, c.side),
            CGRectMake(160 / c.dx, 284 / c.dy, c.side, c.side),
            CGRectMake(-70 / c.dx, 4000 / c.dy, c.side, c.side),
        };
        EXPECT_EQ(dotFrames(preview), expected);
    }
}

TEST_F(LayoutPreviewTest, OneOrientationOnly)
{
    ScopedDeviceProfile device("iphone-4");
    Ref<QVLayoutPreview> portraitOnly = QVLayoutPreview::create(CGRectMake(0, 0, 170, 60),
        NSDictionary::create({ { "Origins-4Inch", NSArray::create({ iconEntry(16, 18) }) } }));
    EXPECT_EQ(dotFrames(portraitOnly), std::vector<CGRect> { CGRectMake(2, 2, 9, 9) });

    Ref<QVLayoutPreview> landscapeOnly = QVLayoutPreview::create(CGRectMake(0, 0, 170, 60),
        NSDictionary::create({ { "Origins-4Inch-Landscape", NSArray::create({ iconEntry(16, 18) }) } }));
    EXPECT_EQ(dotFrames(landscapeOnly), std::vector<CGRect> { CGRectMake(82, 2, 9, 9) });

    EXPECT_TRUE(QVLayoutPreview::create(CGRectMake(0, 0, 190, 80), nullptr)->subviews().empty());
    EXPECT_TRUE(QVLayoutPreview::create(CGRectMake(0, 0, 190, 80), NSDictionary::create())->subviews().empty());
}

// The application draws on whole points, the Settings bundle on the
// stored fractions; an entry that is no dictionary sits at (0, 0).
TEST_F(LayoutPreviewTest, OriginsByFlavour)
{
    ScopedDeviceProfile device("iphone-4");
    Ref<QVLayoutPreview> preview = QVLayoutPreview::create(CGRectMake(0, 0, 170, 60),
        NSDictionary::create({ { "Origins-4Inch", NSArray::create({ NSDictionary::create({ { "x", 25.9 }, { "y", 18 } }), "stray" }) } }));
    const CGFloat x = readerKeepsFractions ? static_cast<CGFloat>(25.9f) : 25;
    EXPECT_EQ(dotFrames(preview), (std::vector<CGRect> { CGRectMake(x / 8, 2, 9, 9), CGRectMake(0, 0, 9, 9) }));
}

// Through the dot maker itself an iPad's coarse divisors apply when the
// finer layout is not asked for.
TEST_F(LayoutPreviewTest, IPadDivisorsByFlag)
{
    ScopedDeviceProfile device("ipad");
    Ref<QVLayoutPreview> preview = QVLayoutPreview::create(CGRectMake(0, 0, 190, 80), nullptr);
    auto icons = NSArray::create({ iconEntry(100, 120) });
    auto fine = preview->_generatePreviewIconArray(icons, true);
    auto coarse = preview->_generatePreviewIconArray(icons, false);
    ASSERT_EQ(fine.size(), 1u);
    ASSERT_EQ(coarse.size(), 1u);
    EXPECT_EQ(fine[0]->frame(), CGRectMake(10, 10, 8, 8));
    EXPECT_EQ(coarse[0]->frame(), CGRectMake(20, 24, 8, 8));
    EXPECT_EQ(preview->subviews().size(), 2u);
    EXPECT_TRUE(preview->_generatePreviewIconArray(nullptr, true).empty());
}

// The dots show the icon image: the application's current one, or in
// the Settings bundle the application bundle's stock icon file. Without an
// image the dots are still made and placed.
TEST_F(LayoutPreviewTest, DotImage)
{
    ScopedDeviceProfile device("iphone-4");
    auto layout = NSDictionary::create({ { "Origins-4Inch", NSArray::create({ iconEntry(16, 18) }) } });
    auto dotImage = [&] {
        Ref<QVLayoutPreview> preview = QVLayoutPreview::create(CGRectMake(0, 0, 170, 60), layout);
        EXPECT_EQ(preview->subviews().size(), 1u);
        auto dot = preview->subviews().empty() ? nullptr : dynamicRefCast<UIImageView>(preview->subviews().front());
        EXPECT_TRUE(dot);
        return dot ? dot->image() : nullptr;
    };
#if defined(QV_MODEL_APPLICATION)
    Ref<QVSettings> settings = QVSettings::currentSettings();
    RefPtr<UIImage> stock = dotImage();
    EXPECT_TRUE(stock);
    EXPECT_EQ(stock.get(), settings->currentIconImage().get());
    layouts.writeImage("/Library/Themes/Blue.theme/Icon.png", 8);
    RefPtr<UIImage> chosen = UIImage::imageWithContentsOfFile("/Library/Themes/Blue.theme/Icon.png");
    settings->setCurrentIconImage(chosen);
    EXPECT_EQ(dotImage().get(), chosen.get());
    settings->setCurrentIconImage(nullptr);
    EXPECT_FALSE(dotImage());
    settings->resetCurrentIconImage();
#else
    RefPtr<UIImage> stock = dotImage();
    ASSERT_TRUE(stock);
    EXPECT_EQ(stock->size(), CGSizeMake(4, 4));
    layouts.writeImage("/Applications/Quilt Vane.app/Default_Icon.png", 6);
    EXPECT_EQ(dotImage()->size(), CGSizeMake(6, 6)) << "read anew for each preview";
    std::filesystem::remove(layouts.root().hostPath("/Applications/Quilt Vane.app/Default_Icon.png"));
    EXPECT_FALSE(dotImage());
#endif
}
