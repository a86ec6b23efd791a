#pragma once

#include <optional>
#include <string>

namespace qv {

class NSObject;

// Writes a value as an XML property list, one value a line, indented with
// tabs. Refuses (with a log line saying why) what no reader could take
// back whole: a value of another class, text XML cannot hold, a date
// without a text, and anything beyond the readers' limits of depth, values
// and size, so that whatever is written reads back as the same value.
class XMLPropertyListWriter {
public:
    static std::optional<std::string> documentFor(const NSObject& value);

private:
    XMLPropertyListWriter() = default;

    bool write(const NSObject& value, unsigned depth);
    bool writeContainer(const NSObject& value, unsigned depth);
    bool writeLeaf(const NSObject& value);
    bool writeText(const char* tag, const std::string& text);
    void element(const char* tag, std::string_view text);
    void indent(unsigned depth);
    bool refuse(const char* what);

    std::string m_output;
    size_t m_values = 0;
};

} // namespace qv
