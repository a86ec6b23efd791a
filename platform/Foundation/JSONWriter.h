#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Writes JSON text as it goes: objects, arrays, keys and values, with the
// commas in their places. Text is escaped as JSON requires (quotes,
// backslashes and control characters), and bytes that are not UTF-8 become
// U+FFFD, so that any reader takes the output. Numbers that are not finite
// are written as null.
class JSONWriter {
public:
    JSONWriter() = default;
    // A writer that starts inside an object whose braces someone else
    // writes: its text is a list of members.
    static JSONWriter insideObject();

    JSONWriter& beginObject();
    JSONWriter& endObject();
    JSONWriter& beginArray();
    JSONWriter& endArray();
    JSONWriter& key(std::string_view name);

    JSONWriter& value(std::string_view text);
    JSONWriter& value(const char* text) { return value(std::string_view(text)); }
    JSONWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JSONWriter& value(double number);
    JSONWriter& value(int64_t number);
    JSONWriter& value(int number) { return value(static_cast<int64_t>(number)); }
    JSONWriter& value(uint64_t number);
    JSONWriter& value(bool flag);
    JSONWriter& null();

    // A member: key and value at once.
    template<typename T>
    JSONWriter& member(std::string_view name, const T& value)
    {
        key(name);
        return this->value(value);
    }

    const std::string& text() const { return m_text; }
    static std::string quoted(std::string_view text);

private:
    struct Level {
        bool isObject;
        bool hasMembers = false;
    };
    void beforeValue();
    void begin(char opening, bool isObject);
    void end(char closing);

    std::string m_text;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

} // namespace qv
