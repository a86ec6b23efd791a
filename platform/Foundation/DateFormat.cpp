#include "DateFormat.h"

#include "platform/core/Log.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <vector>

namespace qv {

namespace {

constexpr std::array<const char*, 12> monthNames { "January", "February", "March", "April", "May", "June", "July",
    "August", "September", "October", "November", "December" };
constexpr std::array<const char*, 7> weekdayNames { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
    "Saturday" };
constexpr int64_t secondsPerDay = 86400;
constexpr int64_t microsecondsPerSecond = 1000000;
// Ten digits of a year or fraction would overflow nothing, but no date
// needs more than nine.
constexpr size_t maximumDigits = 9;
// Moments further than about three million years from 1970 are not dates
// anyone writes; keeping away from them keeps the arithmetic exact.
constexpr double largestMoment = 1e14;

// One piece of a pattern: literal text, or a field letter repeated.
struct Token {
    char letter = 0; // 0 for literal text
    size_t count = 0;
    std::string literal;
};

bool isPatternLetter(char character)
{
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z');
}

bool isSupportedField(char letter)
{
    return std::string_view("yMdHmsSEZ").find(letter) != std::string_view::npos;
}

std::optional<std::vector<Token>> tokenize(std::string_view pattern)
{
    std::vector<Token> tokens;
    auto appendLiteral = [&](char character) {
        if (tokens.empty() || tokens.back().letter)
            tokens.push_back({});
        tokens.back().literal += character;
    };
    for (size_t index = 0; index < pattern.size();) {
        char character = pattern[index];
        if (character == '\'') {
            if (index + 1 < pattern.size() && pattern[index + 1] == '\'') {
                appendLiteral('\'');
                index += 2;
                continue;
            }
            size_t end = index + 1;
            for (; end < pattern.size(); ++end) {
                if (pattern[end] != '\'')
                    appendLiteral(pattern[end]);
                else if (end + 1 < pattern.size() && pattern[end + 1] == '\'')
                    appendLiteral(pattern[end++]);
                else
                    break;
            }
            index = end + 1;
            continue;
        }
        if (!isPatternLetter(character)) {
            appendLiteral(character);
            ++index;
            continue;
        }
        size_t count = 1;
        while (index + count < pattern.size() && pattern[index + count] == character)
            ++count;
        // A two-digit year cannot be read back without guessing its century.
        if (!isSupportedField(character) || (character == 'y' && count == 2) || (character == 'Z' && count > 3)) {
            logLine("Date format: the pattern \"" + std::string(pattern) + "\" has a field this platform does not know");
            return std::nullopt;
        }
        tokens.push_back({ character, count, {} });
        index += count;
    }
    return tokens;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back (the civil-calendar algorithms of Howard Hinnant).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    auto yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(int64_t days)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return { static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day };
}

unsigned daysInMonth(int64_t year, unsigned month)
{
    static constexpr unsigned days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::string padded(int64_t value, size_t width)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// The moment split into whole seconds and microseconds, the microseconds
// rounded so that 0.1234565 does not lose its last digit to binary noise.
struct SplitMoment {
    int64_t seconds;
    int64_t microseconds;
};

SplitMoment splitMoment(NSTimeInterval secondsSince1970)
{
    double whole = std::floor(secondsSince1970);
    auto microseconds = static_cast<int64_t>(std::llround((secondsSince1970 - whole) * microsecondsPerSecond));
    auto seconds = static_cast<int64_t>(whole);
    if (microseconds == microsecondsPerSecond) {
        ++seconds;
        microseconds = 0;
    }
    return { seconds, microseconds };
}

std::string formatField(const Token& token, const CivilDate& date, int64_t secondOfDay, int64_t days,
    int64_t microseconds, NSInteger offset)
{
    switch (token.letter) {
    case 'y':
        return padded(date.year, token.count);
    case 'M':
        if (token.count >= 3) {
            std::string name = monthNames[date.month - 1];
            return token.count == 3 ? name.substr(0, 3) : name;
        }
        return padded(date.month, token.count);
    case 'd':
        return padded(date.day, token.count);
    case 'H':
        return padded(secondOfDay / 3600, token.count);
    case 'm':
        return padded(secondOfDay / 60 % 60, token.count);
    case 's':
        return padded(secondOfDay % 60, token.count);
    case 'S': {
        std::string fraction = padded(microseconds, 6);
        return token.count <= 6 ? fraction.substr(0, token.count) : fraction + std::string(token.count - 6, '0');
    }
    case 'E': {
        // 1970-01-01 was a Thursday.
        std::string name = weekdayNames[((days + 4) % 7 + 7) % 7];
        return token.count <= 3 ? name.substr(0, 3) : name;
    }
    case 'Z': {
        NSInteger minutes = std::abs(offset) / 60;
        return std::string(offset < 0 ? "-" : "+") + padded(minutes / 60, 2) + padded(minutes % 60, 2);
    }
    }
    return {};
}

// Reading: a cursor over the text and the fields read so far.
struct Reading {
    std::string_view text;
    size_t position = 0;
    int64_t year = 1970;
    unsigned month = 1;
    unsigned day = 1;
    int64_t hour = 0;
    int64_t minute = 0;
    int64_t second = 0;
    int64_t microseconds = 0;
    std::optional<NSInteger> offset;

    std::optional<int64_t> readNumber(size_t minimumDigits, size_t maximumDigitCount)
    {
        size_t start = position;
        int64_t value = 0;
        while (position < text.size() && position - start < maximumDigitCount && text[position] >= '0' && text[position] <= '9')
            value = value * 10 + (text[position++] - '0');
        if (position - start < minimumDigits)
            return std::nullopt;
        return value;
    }

    // The index of the name the text continues with, matched regardless of
    // case, or none.
    template<size_t Count>
    std::optional<unsigned> readName(const std::array<const char*, Count>& names, bool shortForm)
    {
        for (unsigned index = 0; index < Count; ++index) {
            std::string_view name = names[index];
            if (shortForm)
                name = name.substr(0, 3);
            if (text.size() - position < name.size())
                continue;
            bool same = true;
            for (size_t offsetInName = 0; offsetInName < name.size() && same; ++offsetInName)
                same = std::tolower(static_cast<unsigned char>(text[position + offsetInName])) == std::tolower(static_cast<unsigned char>(name[offsetInName]));
            if (same) {
                position += name.size();
                return index;
            }
        }
        return std::nullopt;
    }

    bool readField(const Token& token)
    {
        // A field of one letter takes one or two digits; more letters, that
        // many digits exactly (a year, at least that many).
        size_t minimum = token.count;
        size_t maximum = token.count == 1 ? 2 : token.count;
        switch (token.letter) {
        case 'y': {
            auto value = readNumber(token.count, maximumDigits);
            if (!value)
                return false;
            year = *value;
            return true;
        }
        case 'M': {
            if (token.count >= 3) {
                auto index = readName(monthNames, token.count == 3);
                month = index ? *index + 1 : 0;
                return index.has_value();
            }
            auto value = readNumber(minimum, maximum);
            month = value ? static_cast<unsigned>(*value) : 0;
            return value.has_value();
        }
        case 'd': {
            auto value = readNumber(minimum, maximum);
            day = value ? static_cast<unsigned>(*value) : 0;
            return value.has_value();
        }
        case 'H':
        case 'm':
        case 's': {
            auto value = readNumber(minimum, maximum);
            if (!value)
                return false;
            (token.letter == 'H' ? hour : token.letter == 'm' ? minute : second) = *value;
            return true;
        }
        case 'S': {
            if (token.count > maximumDigits)
                return false;
            auto value = readNumber(token.count, token.count);
            if (!value)
                return false;
            int64_t scaled = *value;
            for (size_t digits = token.count; digits < 6; ++digits)
                scaled *= 10;
            for (size_t digits = token.count; digits > 6; --digits)
                scaled /= 10;
            microseconds = scaled;
            return true;
        }
        case 'E':
            return readName(weekdayNames, token.count <= 3).has_value();
        case 'Z':
            return readOffset();
        }
        return false;
    }

    bool readOffset()
    {
        if (position >= text.size() || (text[position] != '+' && text[position] != '-'))
            return false;
        bool negative = text[position++] == '-';
        auto hours = readNumber(2, 2);
        auto minutes = readNumber(2, 2);
        if (!hours || !minutes || *hours > 23 || *minutes > 59)
            return false;
        offset = (negative ? -1 : 1) * (*hours * 3600 + *minutes * 60);
        return true;
    }

    bool isValidDate() const
    {
        return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) && hour <= 23
            && minute <= 59 && second <= 59;
    }
};

} // namespace

std::string formatDate(NSTimeInterval secondsSince1970, std::string_view pattern, const NSTimeZone& zone)
{
    std::optional<std::vector<Token>> tokens = tokenize(pattern);
    if (!tokens || !std::isfinite(secondsSince1970) || std::fabs(secondsSince1970) > largestMoment)
        return {};
    Ref<NSDate> date = NSDate::dateWithTimeIntervalSince1970(secondsSince1970);
    NSInteger offset = zone.secondsFromGMTForDate(date);
    SplitMoment moment = splitMoment(secondsSince1970);
    int64_t wallClock = moment.seconds + offset;
    int64_t days = wallClock >= 0 ? wallClock / secondsPerDay : -((-wallClock + secondsPerDay - 1) / secondsPerDay);
    int64_t secondOfDay = wallClock - days * secondsPerDay;
    CivilDate civil = civilFromDays(days);
    std::string text;
    for (const Token& token : *tokens)
        text += token.letter ? formatField(token, civil, secondOfDay, days, moment.microseconds, offset) : token.literal;
    return text;
}

std::optional<NSTimeInterval> parseDate(std::string_view text, std::string_view pattern, const NSTimeZone& zone)
{
    std::optional<std::vector<Token>> tokens = tokenize(pattern);
    if (!tokens)
        return std::nullopt;
    Reading reading;
    reading.text = text;
    for (const Token& token : *tokens) {
        if (!token.letter) {
            if (text.substr(reading.position, token.literal.size()) != token.literal)
                return std::nullopt;
            reading.position += token.literal.size();
        } else if (!reading.readField(token)) {
            return std::nullopt;
        }
    }
    if (reading.position != text.size() || !reading.isValidDate())
        return std::nullopt;
    int64_t wallClock = daysFromCivil(reading.year, reading.month, reading.day) * secondsPerDay + reading.hour * 3600
        + reading.minute * 60 + reading.second;
    std::optional<int64_t> moment = reading.offset ? std::optional<int64_t>(wallClock - *reading.offset) : zone.momentForWallClock(wallClock);
    if (!moment)
        return std::nullopt;
    return static_cast<NSTimeInterval>(*moment) + static_cast<NSTimeInterval>(reading.microseconds) / microsecondsPerSecond;
}

} // namespace qv
