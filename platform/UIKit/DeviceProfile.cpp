#include "DeviceProfile.h"

#include "UIDevice.h"
#include "UIKitTesting.h"
#include "UIScreen.h"
#include "platform/core/Log.h"

#include <cstdlib>

namespace qv {

DeviceProfile DeviceProfile::make(std::string name, CGFloat width, CGFloat height, CGFloat scale, int64_t idiom)
{
    DeviceProfile profile;
    profile.name = std::move(name);
    profile.bounds = CGRectMake(0, 0, width, height);
    profile.scale = scale;
    profile.nativeBounds = CGRectMake(0, 0, width * scale, height * scale);
    profile.nativeScale = scale;
    profile.idiom = idiom;
    return profile;
}

static DeviceProfile fiveAndAHalfInch()
{
    // The large phone renders at 3x and is downsampled to its panel, so its
    // native scale is not its scale.
    DeviceProfile profile = DeviceProfile::make("iphone-5.5", 414, 736, 3, UIUserInterfaceIdiomPhone);
    profile.nativeBounds = CGRectMake(0, 0, 1080, 1920);
    profile.nativeScale = 1080.0 / 414.0;
    return profile;
}

const std::vector<DeviceProfile>& DeviceProfile::builtIn()
{
    static const std::vector<DeviceProfile> profiles {
        make("iphone-3.5", 320, 480, 2, UIUserInterfaceIdiomPhone),
        make("iphone-4", 320, 568, 2, UIUserInterfaceIdiomPhone),
        make("iphone-4.7", 375, 667, 2, UIUserInterfaceIdiomPhone),
        fiveAndAHalfInch(),
        make("ipad", 768, 1024, 2, UIUserInterfaceIdiomPad),
    };
    return profiles;
}

std::optional<DeviceProfile> DeviceProfile::named(const std::string& name)
{
    for (const DeviceProfile& profile : builtIn()) {
        if (profile.name == name)
            return profile;
    }
    return std::nullopt;
}

DeviceProfile DeviceProfile::fromEnvironment()
{
    const char* name = std::getenv("QV_DEVICE");
    if (name && *name) {
        if (auto profile = named(name))
            return *profile;
        logLine(std::string("QV_DEVICE names no known device: ") + name + "; using iphone-4");
    }
    return *named("iphone-4");
}

void applyDeviceProfile(const DeviceProfile& profile)
{
    UIScreen::mainScreen().applyProfile(profile);
    UIDevice::currentDevice().applyProfile(profile);
}

} // namespace qv
