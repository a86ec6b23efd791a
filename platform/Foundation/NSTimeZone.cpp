#include "NSTimeZone.h"

#include "StringFormat.h"

#include <cerrno>
#include <cmath>
#include <ctime>

namespace qv {

RefPtr<NSTimeZone> NSTimeZone::timeZoneWithName(const std::string& name)
{
    if (name != "UTC" && name != "GMT")
        return nullptr;
    return makeRef<NSTimeZone>(name, 0);
}

Ref<NSTimeZone> NSTimeZone::timeZoneForSecondsFromGMT(NSInteger seconds)
{
    NSInteger minutes = std::abs(seconds) / 60;
    std::string name = seconds == 0 ? "GMT"
                                    : stringWithFormat("GMT%c%02ld%02ld", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return makeRef<NSTimeZone>(name, seconds);
}

Ref<NSTimeZone> NSTimeZone::localTimeZone()
{
    return makeRef<NSTimeZone>("Local", std::nullopt);
}

NSInteger NSTimeZone::secondsFromGMTForDate(const NSDate& date) const
{
    if (m_fixedOffset)
        return *m_fixedOffset;
    auto moment = static_cast<time_t>(std::floor(date.timeIntervalSince1970()));
    // The zone may have changed since the last look (TZ is read anew).
    tzset();
    tm local {};
    if (!localtime_r(&moment, &local))
        return 0;
    return local.tm_gmtoff;
}

std::optional<int64_t> NSTimeZone::momentForWallClock(int64_t wallClockSeconds) const
{
    if (m_fixedOffset)
        return wallClockSeconds - *m_fixedOffset;
    // Broken down as if in GMT, then read back by the local rules.
    auto wallClock = static_cast<time_t>(wallClockSeconds);
    tm fields {};
    if (!gmtime_r(&wallClock, &fields))
        return std::nullopt;
    fields.tm_isdst = -1;
    errno = 0;
    time_t moment = mktime(&fields);
    if (moment == -1 && errno != 0)
        return std::nullopt;
    return static_cast<int64_t>(moment);
}

} // namespace qv
