#include "JSONWriter.h"

#include <cmath>
#include <cstdio>

namespace qv {

namespace {

// The length of the UTF-8 sequence at the start, or 0 when it is not one.
size_t utf8SequenceLength(std::string_view text)
{
    const auto first = static_cast<unsigned char>(text[0]);
    size_t length = 0;
    uint32_t codePoint = 0;
    if (first < 0x80)
        return 1;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        codePoint = first & 0x1F;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        codePoint = first & 0x0F;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        codePoint = first & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

JSONWriter JSONWriter::insideObject()
{
    JSONWriter writer;
    writer.m_levels.push_back({ true });
    return writer;
}

std::string JSONWriter::quoted(std::string_view text)
{
    std::string out = "\"";
    while (!text.empty()) {
        const char c = text[0];
        const size_t length = utf8SequenceLength(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escape;
            } else {
                out += c;
            }
        }
        text.remove_prefix(1);
    }
    out += '"';
    return out;
}

void JSONWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    if (m_levels.back().hasMembers)
        m_text += ',';
    m_levels.back().hasMembers = true;
}

void JSONWriter::begin(char opening, bool isObject)
{
    beforeValue();
    m_text += opening;
    m_levels.push_back({ isObject });
}

void JSONWriter::end(char closing)
{
    if (!m_levels.empty())
        m_levels.pop_back();
    m_text += closing;
}

JSONWriter& JSONWriter::beginObject()
{
    begin('{', true);
    return *this;
}

JSONWriter& JSONWriter::endObject()
{
    end('}');
    return *this;
}

JSONWriter& JSONWriter::beginArray()
{
    begin('[', false);
    return *this;
}

JSONWriter& JSONWriter::endArray()
{
    end(']');
    return *this;
}

JSONWriter& JSONWriter::key(std::string_view name)
{
    beforeValue();
    m_text += quoted(name);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JSONWriter& JSONWriter::value(std::string_view text)
{
    beforeValue();
    m_text += quoted(text);
    return *this;
}

JSONWriter& JSONWriter::value(double number)
{
    if (!std::isfinite(number))
        return null();
    beforeValue();
    char buffer[32];
    // Whole numbers read as integers; the rest round-trip exactly.
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%.0f", number);
    else
        std::snprintf(buffer, sizeof buffer, "%.17g", number);
    m_text += buffer;
    return *this;
}

JSONWriter& JSONWriter::value(int64_t number)
{
    beforeValue();
    m_text += std::to_string(number);
    return *this;
}

JSONWriter& JSONWriter::value(uint64_t number)
{
    beforeValue();
    m_text += std::to_string(number);
    return *this;
}

JSONWriter& JSONWriter::value(bool flag)
{
    beforeValue();
    m_text += flag ? "true" : "false";
    return *this;
}

JSONWriter& JSONWriter::null()
{
    beforeValue();
    m_text += "null";
    return *this;
}

} // namespace qv
