#include "QVLayoutReader.h"

#include "model/QVLayoutKeys.h"

namespace qv {

Ref<QVLayoutReader> QVLayoutReader::create()
{
    return makeRef<QVLayoutReader>();
}

CGPoint QVLayoutReader::iconOriginFromIconData(const RefPtr<NSObject>& iconData) const
{
    // Anything but an icon entry has no coordinates and reads as (0, 0).
    auto entry = dynamicRefCast<NSDictionary>(iconData);
    return CGPointMake(floatValueForKey(entry, QVIconXKey), floatValueForKey(entry, QVIconYKey));
}

} // namespace qv
