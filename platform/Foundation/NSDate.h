#pragma once

#include "platform/Foundation/NSObject.h"

namespace qv {

// Seconds between 1970-01-01 and the device's reference date 2001-01-01.
inline constexpr NSTimeInterval NSTimeIntervalSince1970 = 978307200.0;

// A moment, as seconds since the reference date 2001-01-01 00:00:00 UTC.
class NSDate : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The current moment by the system clock.
    static Ref<NSDate> date();
    static Ref<NSDate> dateWithTimeIntervalSinceReferenceDate(NSTimeInterval seconds);
    static Ref<NSDate> dateWithTimeIntervalSince1970(NSTimeInterval seconds);

    NSTimeInterval timeIntervalSinceReferenceDate() const { return m_sinceReferenceDate; }
    NSTimeInterval timeIntervalSince1970() const { return m_sinceReferenceDate + NSTimeIntervalSince1970; }

    std::string className() const override { return "NSDate"; }
    // "2001-01-01 00:00:00 +0000"
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    explicit NSDate(NSTimeInterval sinceReferenceDate) : m_sinceReferenceDate(sinceReferenceDate) {}

    const NSTimeInterval m_sinceReferenceDate;
};

} // namespace qv
