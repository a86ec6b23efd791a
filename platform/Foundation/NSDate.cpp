#include "NSDate.h"

#include "ValueConversions.h"
#include "VirtualClock.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>

namespace qv {

// The clock timers follow, so that dates and timers agree under a test's
// virtual clock.
Ref<NSDate> NSDate::date()
{
    return dateWithTimeIntervalSinceReferenceDate(VirtualClock::now());
}

Ref<NSDate> NSDate::dateWithTimeIntervalSinceReferenceDate(NSTimeInterval seconds)
{
    return makeRef<NSDate>(seconds);
}

Ref<NSDate> NSDate::dateWithTimeIntervalSince1970(NSTimeInterval seconds)
{
    return makeRef<NSDate>(seconds - NSTimeIntervalSince1970);
}

std::string NSDate::description() const
{
    time_t seconds = static_cast<time_t>(saturatingLongLong(std::floor(timeIntervalSince1970())));
    tm parts {};
    char text[64];
    if (!gmtime_r(&seconds, &parts) || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &parts))
        return "(invalid date)";
    return text;
}

bool NSDate::isEqual(const NSObject* other) const
{
    auto* date = dynamic_cast<const NSDate*>(other);
    return date && date->m_sinceReferenceDate == m_sinceReferenceDate;
}

NSUInteger NSDate::hash() const
{
    return std::hash<double>()(m_sinceReferenceDate);
}

} // namespace qv
