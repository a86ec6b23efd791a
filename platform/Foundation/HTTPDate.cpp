#include "HTTPDate.h"

#include "NSDate.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace qv {

namespace {

constexpr std::array<const char*, 7> weekdays { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
constexpr std::array<const char*, 12> months { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A reader of the text that either matches a piece or fails for good.
struct Scanner {
    std::string_view text;
    size_t at = 0;
    bool ok = true;

    void literal(std::string_view piece)
    {
        if (ok && text.substr(at, piece.size()) == piece)
            at += piece.size();
        else
            ok = false;
    }
    int digits(size_t minimum, size_t maximum)
    {
        size_t count = 0;
        int value = 0;
        while (ok && count < maximum && at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            value = value * 10 + (text[at++] - '0');
            ++count;
        }
        if (count < minimum)
            ok = false;
        return value;
    }
    std::string_view word()
    {
        const size_t start = at;
        while (at < text.size() && (std::isalpha(static_cast<unsigned char>(text[at]))))
            ++at;
        if (at == start)
            ok = false;
        return text.substr(start, at - start);
    }
    template<size_t N>
    int oneOf(const std::array<const char*, N>& names)
    {
        const auto name = word();
        for (size_t i = 0; ok && i < N; ++i)
            if (equalIgnoringCase(name, names[i]))
                return static_cast<int>(i);
        ok = false;
        return -1;
    }
    std::optional<int> zoneOffsetSeconds()
    {
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            const int sign = text[at++] == '-' ? -1 : 1;
            const int value = digits(4, 4);
            return sign * ((value / 100) * 3600 + (value % 100) * 60);
        }
        const auto name = word();
        struct Zone { const char* name; int hours; };
        static constexpr Zone zones[] = { { "GMT", 0 }, { "UT", 0 }, { "UTC", 0 }, { "Z", 0 },
            { "EST", -5 }, { "EDT", -4 }, { "CST", -6 }, { "CDT", -5 }, { "MST", -7 }, { "MDT", -6 }, { "PST", -8 }, { "PDT", -7 } };
        for (const Zone& zone : zones)
            if (ok && equalIgnoringCase(name, zone.name))
                return zone.hours * 3600;
        ok = false;
        return std::nullopt;
    }
};

int daysInMonth(int year, int month)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 1 && leap ? 29 : days[month];
}

} // namespace

std::optional<NSTimeInterval> dateFromRFC1123String(std::string_view text)
{
    const bool hasWeekday = text.find(',') != std::string_view::npos;
    size_t colons = 0;
    for (char c : text)
        colons += c == ':';
    // As the device's formatter decides its pattern: seconds when the text
    // splits into exactly three pieces at its colons.
    const bool hasSeconds = colons == 2;

    Scanner scanner { text };
    if (hasWeekday) {
        scanner.oneOf(weekdays);
        scanner.literal(", ");
    }
    const int day = scanner.digits(1, 2);
    scanner.literal(" ");
    const int month = scanner.oneOf(months);
    scanner.literal(" ");
    const int year = scanner.digits(4, 4);
    scanner.literal(" ");
    const int hour = scanner.digits(2, 2);
    scanner.literal(":");
    const int minute = scanner.digits(2, 2);
    int second = 0;
    if (hasSeconds) {
        scanner.literal(":");
        second = scanner.digits(2, 2);
    }
    scanner.literal(" ");
    const auto offset = scanner.zoneOffsetSeconds();
    if (!scanner.ok || !offset || scanner.at != text.size())
        return std::nullopt;
    if (day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;

    std::tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const time_t since1970 = timegm(&fields);
    return static_cast<NSTimeInterval>(since1970 - *offset) - NSTimeIntervalSince1970;
}

std::string RFC1123StringFromDate(NSTimeInterval date)
{
    const time_t since1970 = static_cast<time_t>(std::floor(date + NSTimeIntervalSince1970));
    std::tm fields {};
    gmtime_r(&since1970, &fields);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", weekdays[fields.tm_wday], fields.tm_mday,
        months[fields.tm_mon], fields.tm_year + 1900, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

} // namespace qv
