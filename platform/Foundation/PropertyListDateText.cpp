#include "PropertyListDateText.h"

#include "PropertyListNumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qv {

namespace {

constexpr int64_t secondsPerDay = 86400;
// Days from 1970-01-01 to the reference date 2001-01-01.
constexpr int64_t referenceDay = 11323;

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar
// (counted in 400-year eras, so that no year needs a table).
int64_t daysFromCivil(CivilDate date)
{
    int64_t year = date.year - (date.month <= 2);
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate civilFromDays(int64_t days)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    auto day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    auto month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return { yearOfEra + era * 400 + (month <= 2), month, day };
}

unsigned daysInMonth(int64_t year, unsigned month)
{
    static const unsigned days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : days[month - 1];
}

// Seconds since the reference date of the first and past the last moment
// with a text.
const double firstMoment = static_cast<double>((daysFromCivil({ 1, 1, 1 }) - referenceDay) * secondsPerDay);
const double pastLastMoment = static_cast<double>((daysFromCivil({ 10000, 1, 1 }) - referenceDay) * secondsPerDay);

// The fewest digits that read back as the same number: at most 17
// significant ones, a sign, a point and an exponent.
constexpr size_t longestSecondsText = 24;

std::optional<double> numberFromText(std::string_view text)
{
    double value = 0;
    auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Reads exactly `width` digits at `at`.
std::optional<unsigned> digitsAt(std::string_view text, size_t at, size_t width)
{
    if (text.size() < at + width)
        return std::nullopt;
    unsigned value = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

// The whole second the moment falls in, as text.
std::string wholeSecondText(double wholeSeconds)
{
    auto seconds = static_cast<int64_t>(wholeSeconds);
    int64_t days = seconds >= 0 ? seconds / secondsPerDay : (seconds - secondsPerDay + 1) / secondsPerDay;
    int64_t secondOfDay = seconds - days * secondsPerDay;
    CivilDate date = civilFromDays(days + referenceDay);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year), date.month, date.day,
        static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    return text;
}

// The moment of a date's text.
std::optional<NSTimeInterval> dateFromText(std::string_view text)
{
    if (text.empty() || text.back() != 'Z')
        return std::nullopt;
    text.remove_suffix(1);
    // Each field after the year: the character before it, its width and
    // the range it must fall in (the day's upper bound is the month's).
    struct Field {
        char separator;
        unsigned first;
        unsigned last;
    };
    static const Field fields[] = { { '-', 1, 12 }, { '-', 1, 31 }, { 'T', 0, 23 }, { ':', 0, 59 }, { ':', 0, 59 } };
    auto year = digitsAt(text, 0, 4);
    if (!year || *year < 1)
        return std::nullopt;
    unsigned values[5] = { 1, 1, 0, 0, 0 };
    size_t at = 4;
    for (size_t i = 0; i < 5 && at < text.size() && text[at] == fields[i].separator; ++i) {
        auto value = digitsAt(text, at + 1, 2);
        if (!value || *value < fields[i].first || *value > fields[i].last)
            return std::nullopt;
        values[i] = *value;
        at += 3;
    }
    if (values[1] > daysInMonth(*year, values[0]))
        return std::nullopt;
    double fraction = 0;
    if (at < text.size() && text[at] == '.' && at == 19) {
        // A fraction, as earlier versions wrote it.
        std::string digits = "0" + std::string(text.substr(at));
        if (digits.size() < 3 || digits.find_first_not_of("0123456789", 2) != std::string::npos)
            return std::nullopt;
        auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), fraction);
        if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size() || fraction >= 1)
            return std::nullopt;
        at = text.size();
    }
    if (at != text.size())
        return std::nullopt;
    int64_t days = daysFromCivil({ *year, values[0], values[1] }) - referenceDay;
    auto seconds = static_cast<double>(days * secondsPerDay + values[2] * 3600 + values[3] * 60 + values[4]);
    return seconds + fraction;
}

} // namespace

bool isPropertyListDate(NSTimeInterval sinceReferenceDate)
{
    return sinceReferenceDate >= firstMoment && sinceReferenceDate < pastLastMoment;
}

const size_t maximumPropertyListDateElementLength = sizeof("<date seconds=\"\">0000-00-00T00:00:00Z</date>") - 1 + longestSecondsText;

std::optional<std::string> propertyListDateElement(NSTimeInterval sinceReferenceDate)
{
    if (!isPropertyListDate(sinceReferenceDate))
        return std::nullopt;
    double wholeSeconds = std::floor(sinceReferenceDate);
    std::string text = wholeSecondText(wholeSeconds);
    bool isNegativeZero = sinceReferenceDate == 0 && std::signbit(sinceReferenceDate);
    if (wholeSeconds == sinceReferenceDate && !isNegativeZero)
        return "<date>" + text + "</date>";
    return "<date " + std::string(propertyListDateSecondsAttribute) + "=\"" + propertyListRealText(sinceReferenceDate) + "\">" + text + "</date>";
}

std::optional<NSTimeInterval> propertyListDateFromElement(std::string_view text, std::optional<std::string_view> seconds)
{
    std::optional<NSTimeInterval> moment = dateFromText(withoutSurroundingSpace(text));
    if (!moment || !seconds)
        return moment;
    std::optional<double> exact = numberFromText(*seconds);
    if (exact && isPropertyListDate(*exact) && std::floor(*exact) == std::floor(*moment))
        return exact;
    return moment;
}

} // namespace qv
