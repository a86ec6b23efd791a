#pragma once

#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSTimeZone.h"

#include <mutex>
#include <string>
#include <string_view>

namespace qv {

// Writes and reads dates of one fixed format (see DateFormat.h for the
// pattern letters and how strictly text is read). Names of months and days
// are always English, as with the "en_US_POSIX" locale, which is the only
// locale this stand-in has: a locale set is kept but changes nothing. The
// zone is the device's current one until another is set. Not meant to be
// shared between threads; each thread keeps its own.
class NSDateFormatter : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSDateFormatter> create();

    void setDateFormat(std::string format);
    std::string dateFormat() const;
    void setLocale(std::string localeIdentifier);
    std::string locale() const;
    void setTimeZone(Ref<NSTimeZone> timeZone);
    Ref<NSTimeZone> timeZone() const;

    // Empty when the format is unusable.
    std::string stringFromDate(const NSDate& date) const;
    // Absent when the text does not match the format or names no date.
    RefPtr<NSDate> dateFromString(std::string_view text) const;

    std::string className() const override { return "NSDateFormatter"; }

private:
    NSDateFormatter();

    mutable std::mutex m_lock;
    std::string m_dateFormat;
    std::string m_locale;
    Ref<NSTimeZone> m_timeZone;
};

} // namespace qv
