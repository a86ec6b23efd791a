#pragma once

#include "platform/Foundation/NSDate.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

// A time zone: either a fixed offset from GMT (UTC among them) or the
// device's current zone, which is this process's local time (the TZ
// environment variable, else the system's) with its daylight-saving rules.
class NSTimeZone : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // "UTC" and "GMT" (the zone without offset); absent for any other name,
    // since this stand-in carries no zone database of its own.
    static RefPtr<NSTimeZone> timeZoneWithName(const std::string& name);
    static Ref<NSTimeZone> timeZoneForSecondsFromGMT(NSInteger seconds);
    // The device's current zone, as it is when asked about a moment.
    static Ref<NSTimeZone> localTimeZone();

    const std::string& name() const { return m_name; }
    NSInteger secondsFromGMTForDate(const NSDate& date) const;
    // The moment (seconds since 1970) at which clocks in this zone show the
    // given wall-clock time, written as seconds since 1970 as if in GMT;
    // absent when the zone cannot say.
    std::optional<int64_t> momentForWallClock(int64_t wallClockSeconds) const;

    std::string className() const override { return "NSTimeZone"; }
    std::string description() const override { return m_name; }

private:
    NSTimeZone(std::string name, std::optional<NSInteger> fixedOffset)
        : m_name(std::move(name))
        , m_fixedOffset(fixedOffset)
    {
    }

    const std::string m_name;
    const std::optional<NSInteger> m_fixedOffset; // absent for the local zone
};

} // namespace qv
