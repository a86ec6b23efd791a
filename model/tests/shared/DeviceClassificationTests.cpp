#include "model/QVDeviceType.h"
#include "platform/UIKit/UIKitTesting.h"
#include "model/tests/support/ModelTestSupport.h"
#include "platform/UIKit/UIScreen.h"

#include <gtest/gtest.h>

#include <optional>

using namespace qv;
using qv::testing::ScopedDeviceProfile;

namespace {

constexpr int64_t phone = UIUserInterfaceIdiomPhone;
constexpr int64_t pad = UIUserInterfaceIdiomPad;

struct ScreenCase {
    CGFloat height;
    std::optional<int64_t> idiom; // none: the device cannot report one
    QVDeviceType expected;
};

// Heights and idioms around every threshold. Exact comparisons: half a
// point off a known phone is no known phone.
constexpr ScreenCase screenCases[] = {
    { 320, phone, QVDeviceTypeiPhone3_5Inch },
    { 480, phone, QVDeviceTypeiPhone3_5Inch },
    { 567.5, phone, QVDeviceTypeiPhone3_5Inch },
    { 568, phone, QVDeviceTypeiPhone4Inch },
    { 568.5, phone, QVDeviceTypeUnknown },
    { 600, phone, QVDeviceTypeUnknown },
    { 666.5, phone, QVDeviceTypeUnknown },
    { 667, phone, QVDeviceTypeiPhone4_7Inch },
    { 700, phone, QVDeviceTypeUnknown },
    { 736, phone, QVDeviceTypeiPhone5_5Inch },
    { 1024, phone, QVDeviceTypeUnknown },
    // The pad idiom is an iPad at any height, even a phone's.
    { 480, pad, QVDeviceTypeiPad },
    { 568, pad, QVDeviceTypeiPad },
    { 1024, pad, QVDeviceTypeiPad },
    // A device that cannot report its idiom is a phone, never an iPad.
    { 480, std::nullopt, QVDeviceTypeiPhone3_5Inch },
    { 667, std::nullopt, QVDeviceTypeiPhone4_7Inch },
    { 1024, std::nullopt, QVDeviceTypeUnknown },
    // Any other idiom is neither.
    { 480, 2, QVDeviceTypeUnknown },
    { 1024, 2, QVDeviceTypeUnknown },
    { 568, -1, QVDeviceTypeUnknown },
};

class DeviceClassificationTest : public ::testing::Test {
protected:
    void TearDown() override { applyDeviceProfile(DeviceProfile::fromEnvironment()); }
};

} // namespace

TEST_F(DeviceClassificationTest, HeightAndIdiomDecideTheClass)
{
    for (const ScreenCase& c : screenCases) {
        SCOPED_TRACE(::testing::Message() << "height " << c.height << " idiom " << (c.idiom ? *c.idiom : 99));
        applyDeviceProfile(qv::testing::screenProfile(c.height, c.idiom));
        EXPECT_EQ(currentDeviceType(), c.expected);
        // Screens without native bounds answer by their bounds alike.
        applyDeviceProfile(qv::testing::screenProfileWithoutNativeBounds(c.height, c.idiom));
        EXPECT_EQ(currentDeviceType(), c.expected);
        EXPECT_EQ(deviceTypeForScreen(c.height, c.idiom.value_or(phone)), c.expected);
    }
}

TEST_F(DeviceClassificationTest, BuiltInDevicesAndTheirKeys)
{
    for (const auto& c : qv::testing::builtInDeviceClasses) {
        SCOPED_TRACE(c.profile);
        ScopedDeviceProfile profile(c.profile);
        EXPECT_EQ(currentDeviceType(), c.deviceType);
        EXPECT_EQ(deviceSuffix(currentDeviceType()), c.suffix);
        EXPECT_EQ(currentDeviceKey("Origins", false), std::string("Origins") + c.suffix);
        EXPECT_EQ(currentDeviceKey("Origins", true), std::string("Origins") + c.suffix + "-Landscape");
        EXPECT_EQ(currentDeviceKey("GridSize", true), std::string("GridSize") + c.suffix + "-Landscape");
    }
}

// A device of no known class has the empty suffix: its keys are the bare
// stems, the same text as the older files' portrait key.
TEST_F(DeviceClassificationTest, UnknownDeviceHasBareKeys)
{
    ScopedDeviceProfile profile(qv::testing::screenProfile(600, phone));
    EXPECT_EQ(deviceSuffix(currentDeviceType()), "");
    EXPECT_EQ(currentDeviceKey("Origins", false), "Origins");
    EXPECT_EQ(currentDeviceKey("Origins", true), "Origins-Landscape");
    EXPECT_EQ(currentDeviceKey("GridSize", false), "GridSize");
}

// Native bounds stay portrait when the interface turns, so where the
// screen offers them its bounds are not read at all.
TEST_F(DeviceClassificationTest, NativeBoundsWinOverBounds)
{
    ScopedDeviceProfile profile(qv::testing::screenProfile(667, phone));
    UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 667, 375));
    EXPECT_EQ(currentDeviceType(), QVDeviceTypeiPhone4_7Inch);

    DeviceProfile withoutNative = qv::testing::screenProfileWithoutNativeBounds(667, phone);
    applyDeviceProfile(withoutNative);
    UIScreen::mainScreen().setBounds(CGRectMake(0, 0, 667, 375));
    EXPECT_EQ(currentDeviceType(), QVDeviceTypeiPhone3_5Inch);
}

// The height is the native height divided by the native scale, unrounded.
TEST_F(DeviceClassificationTest, NativeHeightOverNativeScale)
{
    struct Case {
        CGFloat nativeHeight;
        CGFloat nativeScale;
        QVDeviceType expected;
    };
    const Case cases[] = {
        { 1334, 2, QVDeviceTypeiPhone4_7Inch },
        { 1920, 1080.0 / 414.0, QVDeviceTypeiPhone5_5Inch },
        { 2208, 3, QVDeviceTypeiPhone5_5Inch },
        { 1334, 2.01, QVDeviceTypeUnknown },
        { 1136, 2, QVDeviceTypeiPhone4Inch },
        { 1137, 2, QVDeviceTypeUnknown },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.nativeHeight << " / " << c.nativeScale);
        DeviceProfile profile = qv::testing::screenProfile(480, phone);
        profile.nativeBounds = CGRectMake(0, 0, 750, c.nativeHeight);
        profile.nativeScale = c.nativeScale;
        applyDeviceProfile(profile);
        EXPECT_EQ(currentDeviceType(), c.expected);
    }
}
