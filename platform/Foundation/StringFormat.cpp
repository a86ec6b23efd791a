#include "StringFormat.h"

#include "NSNumber.h"
#include "ValueConversions.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace qv {

namespace {

// Widths and precisions beyond this are clamped, so that a format cannot
// ask for gigabytes of padding.
constexpr int largestWidth = 1 << 16;

enum class Length { Default, Char, Short, Long, LongDouble };

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    Length length = Length::Default;
    char letter = 0;
};

class Formatter {
public:
    Formatter(std::string_view format, std::span<const FormatArgument> arguments)
        : m_format(format), m_arguments(arguments) {}

    std::string run();

private:
    bool parseConversion(Conversion&);
    int parseNumberOrArgument();
    const FormatArgument* nextArgument();
    void write(const Conversion&);
    void writeSigned(const Conversion&, const FormatArgument&);
    void writeUnsigned(const Conversion&, const FormatArgument&);
    void writeReal(const Conversion&, const FormatArgument&);
    void writeCharacter(const Conversion&, const FormatArgument&);
    void writePadded(const Conversion&, std::string_view text, bool usePrecision);
    void writeWithPrintf(const Conversion&, const char* lengthModifier, auto value);

    std::string_view m_format;
    std::span<const FormatArgument> m_arguments;
    size_t m_position = 0;
    size_t m_nextArgument = 0;
    std::string m_output;
};

bool isFlag(char c)
{
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text "%@" shows for an argument; also what numeric conversions fall
// back to when handed text or an object.
std::string objectText(const FormatArgument& argument)
{
    switch (argument.kind()) {
    case FormatArgument::Kind::Text:
        return argument.isNullText() ? "(null)" : std::string(argument.text());
    case FormatArgument::Kind::Object:
        return argument.object() ? argument.object()->description() : "(null)";
    case FormatArgument::Kind::Signed:
        return std::to_string(argument.signedValue());
    case FormatArgument::Kind::Unsigned:
        return std::to_string(argument.unsignedValue());
    case FormatArgument::Kind::Real:
        return NSNumber::numberWithDouble(argument.realValue())->description();
    case FormatArgument::Kind::Pointer:
        break;
    }
    if (!argument.pointer())
        return "(null)";
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(argument.pointer())));
    return text;
}

bool isNumeric(const FormatArgument& argument)
{
    auto kind = argument.kind();
    return kind == FormatArgument::Kind::Signed || kind == FormatArgument::Kind::Unsigned
        || kind == FormatArgument::Kind::Real || kind == FormatArgument::Kind::Pointer;
}

unsigned long long bitsOf(const FormatArgument& argument)
{
    switch (argument.kind()) {
    case FormatArgument::Kind::Signed:
        return static_cast<unsigned long long>(argument.signedValue());
    case FormatArgument::Kind::Unsigned:
        return argument.unsignedValue();
    case FormatArgument::Kind::Real:
        return static_cast<unsigned long long>(saturatingLongLong(argument.realValue()));
    default:
        return reinterpret_cast<uintptr_t>(argument.pointer());
    }
}

double realOf(const FormatArgument& argument)
{
    switch (argument.kind()) {
    case FormatArgument::Kind::Signed:
        return static_cast<double>(argument.signedValue());
    case FormatArgument::Kind::Unsigned:
        return static_cast<double>(argument.unsignedValue());
    case FormatArgument::Kind::Real:
        return argument.realValue();
    default:
        return 0;
    }
}

} // namespace

std::string Formatter::run()
{
    while (m_position < m_format.size()) {
        size_t percent = m_format.find('%', m_position);
        if (percent == std::string_view::npos) {
            m_output += m_format.substr(m_position);
            break;
        }
        m_output += m_format.substr(m_position, percent - m_position);
        m_position = percent + 1;
        Conversion conversion;
        if (!parseConversion(conversion)) {
            // An unfinished conversion at the end stands as written.
            m_output += m_format.substr(percent);
            break;
        }
        write(conversion);
    }
    return std::move(m_output);
}

int Formatter::parseNumberOrArgument()
{
    if (m_position < m_format.size() && m_format[m_position] == '*') {
        ++m_position;
        const FormatArgument* argument = nextArgument();
        return argument ? saturatingInt(static_cast<long long>(bitsOf(*argument))) : 0;
    }
    long long value = 0;
    while (m_position < m_format.size() && isDigit(m_format[m_position]))
        value = std::min<long long>(value * 10 + (m_format[m_position++] - '0'), largestWidth);
    return static_cast<int>(value);
}

bool Formatter::parseConversion(Conversion& conversion)
{
    while (m_position < m_format.size() && isFlag(m_format[m_position]))
        conversion.flags += m_format[m_position++];
    if (m_position < m_format.size() && (isDigit(m_format[m_position]) || m_format[m_position] == '*')) {
        conversion.width = parseNumberOrArgument();
        if (conversion.width < 0) {
            // A negative width taken from an argument means left alignment.
            conversion.flags += '-';
            conversion.width = conversion.width == std::numeric_limits<int>::min() ? largestWidth : -conversion.width;
        }
        conversion.width = std::min(conversion.width, largestWidth);
    }
    if (m_position < m_format.size() && m_format[m_position] == '.') {
        ++m_position;
        conversion.precision = std::min(parseNumberOrArgument(), largestWidth);
        // A negative precision from an argument counts as none.
        conversion.precision = std::max(conversion.precision, -1);
    }
    while (m_position < m_format.size()) {
        char c = m_format[m_position];
        if (c == 'h')
            conversion.length = conversion.length == Length::Short ? Length::Char : Length::Short;
        else if (c == 'l' || c == 'q' || c == 'j' || c == 'z' || c == 't')
            conversion.length = Length::Long;
        else if (c == 'L')
            conversion.length = Length::LongDouble;
        else
            break;
        ++m_position;
    }
    if (m_position >= m_format.size())
        return false;
    conversion.letter = m_format[m_position++];
    return true;
}

const FormatArgument* Formatter::nextArgument()
{
    if (m_nextArgument >= m_arguments.size())
        return nullptr;
    return &m_arguments[m_nextArgument++];
}

void Formatter::write(const Conversion& conversion)
{
    if (conversion.letter == '%') {
        m_output += '%';
        return;
    }
    static constexpr std::string_view known = "diuoxXcsfFeEgGaAp@";
    if (known.find(conversion.letter) == std::string_view::npos) {
        // An unknown conversion is shown as written, consuming nothing.
        m_output += '%';
        m_output += conversion.flags;
        m_output += conversion.letter;
        return;
    }
    const FormatArgument* argument = nextArgument();
    if (!argument)
        return;
    switch (conversion.letter) {
    case 'd': case 'i':
        return isNumeric(*argument) ? writeSigned(conversion, *argument) : writePadded(conversion, objectText(*argument), false);
    case 'u': case 'o': case 'x': case 'X':
        return isNumeric(*argument) ? writeUnsigned(conversion, *argument) : writePadded(conversion, objectText(*argument), false);
    case 'c':
        return writeCharacter(conversion, *argument);
    case 's': case '@':
        return writePadded(conversion, objectText(*argument), true);
    case 'p': {
        char text[32];
        std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(argument->pointer())));
        return writePadded(conversion, text, false);
    }
    default:
        return isNumeric(*argument) ? writeReal(conversion, *argument) : writePadded(conversion, objectText(*argument), false);
    }
}

void Formatter::writeWithPrintf(const Conversion& conversion, const char* lengthModifier, auto value)
{
    std::string printfFormat = "%" + conversion.flags;
    if (conversion.width >= 0)
        printfFormat += std::to_string(conversion.width);
    if (conversion.precision >= 0)
        printfFormat += "." + std::to_string(conversion.precision);
    printfFormat += lengthModifier;
    printfFormat += conversion.letter;
    int size = std::snprintf(nullptr, 0, printfFormat.c_str(), value);
    if (size <= 0)
        return;
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), printfFormat.c_str(), value);
    text.resize(static_cast<size_t>(size));
    m_output += text;
}

void Formatter::writeSigned(const Conversion& conversion, const FormatArgument& argument)
{
    // The length modifier decides the width the value is shown in.
    unsigned long long bits = bitsOf(argument);
    long long value;
    switch (conversion.length) {
    case Length::Char: value = static_cast<int8_t>(bits); break;
    case Length::Short: value = static_cast<int16_t>(bits); break;
    case Length::Default: value = static_cast<int32_t>(bits); break;
    default: value = static_cast<long long>(bits);
    }
    writeWithPrintf(conversion, "ll", value);
}

void Formatter::writeUnsigned(const Conversion& conversion, const FormatArgument& argument)
{
    unsigned long long value = bitsOf(argument);
    switch (conversion.length) {
    case Length::Char: value = static_cast<uint8_t>(value); break;
    case Length::Short: value = static_cast<uint16_t>(value); break;
    case Length::Default: value = static_cast<uint32_t>(value); break;
    default: break;
    }
    writeWithPrintf(conversion, "ll", value);
}

void Formatter::writeReal(const Conversion& conversion, const FormatArgument& argument)
{
    writeWithPrintf(conversion, "", realOf(argument));
}

void Formatter::writeCharacter(const Conversion& conversion, const FormatArgument& argument)
{
    if (!isNumeric(argument))
        return writePadded(conversion, objectText(argument).substr(0, 1), false);
    char character = static_cast<char>(bitsOf(argument));
    writePadded(conversion, std::string_view(&character, 1), false);
}

void Formatter::writePadded(const Conversion& conversion, std::string_view text, bool usePrecision)
{
    if (usePrecision && conversion.precision >= 0)
        text = text.substr(0, static_cast<size_t>(conversion.precision));
    size_t width = conversion.width > 0 ? static_cast<size_t>(conversion.width) : 0;
    size_t padding = width > text.size() ? width - text.size() : 0;
    bool left = conversion.flags.find('-') != std::string::npos;
    if (!left)
        m_output.append(padding, ' ');
    m_output += text;
    if (left)
        m_output.append(padding, ' ');
}

std::string formatWithArguments(std::string_view format, std::span<const FormatArgument> arguments)
{
    return Formatter(format, arguments).run();
}

} // namespace qv
