#include "LibraryScreenSize.h"

#include "platform/UIKit/UIInterfaceOrientation.h"

namespace qv {

std::optional<CGSize> libraryScreenSize(const QVDevice& device, int64_t orientation)
{
    // Tested in this order, as the device classes are asked.
    struct Screen {
        bool (QVDevice::*isDevice)() const;
        CGSize portrait;
    };
    static constexpr Screen screens[] = {
        { &QVDevice::iPad, { 768, 1024 } },
        { &QVDevice::iPhone3_5Inch, { 320, 480 } },
        { &QVDevice::iPhone4Inch, { 320, 568 } },
        { &QVDevice::iPhone4_7Inch, { 375, 667 } },
        { &QVDevice::iPhone5_5Inch, { 414, 736 } },
    };
    const bool portrait = UIInterfaceOrientationIsPortrait(orientation);
    if (!portrait && !UIInterfaceOrientationIsLandscape(orientation))
        return std::nullopt;
    for (const Screen& screen : screens) {
        if ((device.*screen.isDevice)())
            return portrait ? screen.portrait : CGSizeMake(screen.portrait.height, screen.portrait.width);
    }
    return std::nullopt;
}

bool isSameOrientationKind(int64_t current, int64_t next)
{
    return (UIInterfaceOrientationIsLandscape(current) && UIInterfaceOrientationIsLandscape(next))
        || (UIInterfaceOrientationIsPortrait(current) && UIInterfaceOrientationIsPortrait(next));
}

} // namespace qv
