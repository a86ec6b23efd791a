#pragma once

#include "platform/Foundation/NSPropertyListSerialization.h"

#include <optional>
#include <string>

namespace qv {

// Writes a value as an XML property list, one value a line, indented with
// tabs. Refuses (with a log line saying why) what no reader could take
// back whole: a value of another class, text XML cannot hold, a date
// without a text, and anything beyond the readers' limits of depth, values
// and size, so that whatever is written reads back as the same value.
class XMLPropertyListWriter {
public:
    // Nothing when refused: the reason goes to `error` when it is given,
    // else to the log.
    static std::optional<std::string> documentFor(const NSObject& value, NSPropertyListSerialization::WriteError* error = nullptr);

private:
    XMLPropertyListWriter() = default;

    bool write(const NSObject& value, unsigned depth);
    bool writeContainer(const NSObject& value, unsigned depth);
    bool writeLeaf(const NSObject& value);
    bool writeText(const char* tag, const std::string& text);
    void element(const char* tag, std::string_view text);
    void indent(unsigned depth);
    bool refuse(std::string what, bool beyondLimits = false);

    std::string m_output;
    size_t m_values = 0;
    NSPropertyListSerialization::WriteError m_error;
};

} // namespace qv
