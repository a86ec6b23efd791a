#include "NSDateFormatter.h"

#include "DateFormat.h"

namespace qv {

NSDateFormatter::NSDateFormatter()
    : m_timeZone(NSTimeZone::localTimeZone())
{
}

Ref<NSDateFormatter> NSDateFormatter::create()
{
    return makeRef<NSDateFormatter>();
}

void NSDateFormatter::setDateFormat(std::string format)
{
    std::lock_guard guard(m_lock);
    m_dateFormat = std::move(format);
}

std::string NSDateFormatter::dateFormat() const
{
    std::lock_guard guard(m_lock);
    return m_dateFormat;
}

void NSDateFormatter::setLocale(std::string localeIdentifier)
{
    std::lock_guard guard(m_lock);
    m_locale = std::move(localeIdentifier);
}

std::string NSDateFormatter::locale() const
{
    std::lock_guard guard(m_lock);
    return m_locale;
}

void NSDateFormatter::setTimeZone(Ref<NSTimeZone> timeZone)
{
    std::lock_guard guard(m_lock);
    m_timeZone = std::move(timeZone);
}

Ref<NSTimeZone> NSDateFormatter::timeZone() const
{
    std::lock_guard guard(m_lock);
    return m_timeZone;
}

std::string NSDateFormatter::stringFromDate(const NSDate& date) const
{
    return formatDate(date.timeIntervalSince1970(), dateFormat(), timeZone());
}

RefPtr<NSDate> NSDateFormatter::dateFromString(std::string_view text) const
{
    std::optional<NSTimeInterval> moment = parseDate(text, dateFormat(), timeZone());
    if (!moment)
        return nullptr;
    return NSDate::dateWithTimeIntervalSince1970(*moment);
}

} // namespace qv
