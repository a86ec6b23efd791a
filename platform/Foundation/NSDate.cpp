#include "NSDate.h"

#include "ValueConversions.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <functional>

namespace qv {

Ref<NSDate> NSDate::date()
{
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return dateWithTimeIntervalSince1970(std::chrono::duration<double>(sinceEpoch).count());
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
