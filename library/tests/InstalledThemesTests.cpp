#include "hosts/install/SampleThemes.h"
#include "model/QVReader.h"
#include "model/QVThemeImages.h"
#include "platform/UIKit/UIImage.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

using namespace qv;

// The install step's themes decode at their sizes and are found by the
// theme scanning: one for icons and backgrounds, one for backgrounds only.
TEST(InstalledThemes, DecodeAndAreFoundByTheScanning)
{
    qv::testing::TemporaryDeviceRoot root;
    ASSERT_TRUE(installSampleThemes());
    for (const SampleThemeFile& file : sampleThemeFiles()) {
        SCOPED_TRACE(file.path);
        RefPtr<UIImage> image = UIImage::imageWithContentsOfFile(file.path);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->pixels().width, file.width);
        EXPECT_EQ(image->pixels().height, file.height);
    }

    Ref<QVReader> reader = QVReader::create();
    Ref<NSDictionary> icons = reader->imagesInThemeAtDirectory("/Library/Themes/Quilt.theme", QVBrowseTypeIconImage);
    EXPECT_EQ(icons->arrayForKey(QVThemeBundlesKey)->description(), "(\n    com.apple.MobileSMS/icon.png,\n    com.apple.mobilesafari/icon.png\n)");
    EXPECT_EQ(icons->arrayForKey(QVThemeFoldersKey)->count(), 1u);
    EXPECT_EQ(icons->arrayForKey(QVThemeIconsKey)->count(), 2u);
    EXPECT_TRUE(reader->isValidThemeAtDirectory("/Library/Themes/Quilt.theme", QVBrowseTypeBackgroundImage));
    EXPECT_TRUE(reader->isValidThemeAtDirectory("/Library/Themes/Dusk.theme", QVBrowseTypeBackgroundImage));
    EXPECT_FALSE(reader->isValidThemeAtDirectory("/Library/Themes/Dusk.theme", QVBrowseTypeIconImage));
}
