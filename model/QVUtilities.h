#pragma once

#include "model/QVDevice.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

// The application's small services: safe layout names, the tutorial keys,
// bundle images with the device's name suffix and the stock wallpaper.
class QVUtilities : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The process-wide instance, made on the first call.
    static Ref<QVUtilities> currentUtilities();

    // The name with every "/" removed, so that it names a file in the
    // layouts folder and no other folder, and every NUL character, which
    // would cut the file name short. Nothing for nothing.
    std::optional<std::string> filterLayoutName(const std::optional<std::string>& name) const;

    // The preference key recording whether tutorial card `index` (0 to 14)
    // was shown; nothing for any other index.
    std::optional<std::string> tutorialKey(int32_t index) const;
    // A new list of the 15 keys, in index order.
    Ref<NSArray> tutorialKeys() const;

    // The bundle image under the name, followed by the device's image-name
    // suffix when `addExtension` is set.
    RefPtr<UIImage> imageNamed(const std::string& name, bool addExtension) const;
    // The system's stock wallpaper for this device, read from disk at every
    // call; nothing when the file is missing.
    RefPtr<UIImage> defaultBackgroundImage() const;

    std::string className() const override { return "QVUtilities"; }

private:
    QVUtilities();

    const Ref<QVDevice> m_device;
};

} // namespace qv
