#pragma once

#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Reads and writes property lists: dictionaries, arrays, strings,
// booleans, integers, reals, data and dates. Reading accepts XML and binary
// documents; writing produces XML. Booleans, integers and reals keep their
// kinds through a read and a write; integers are signed 64-bit (larger ones
// in a file read as the largest); reals keep full precision; dates keep
// whole seconds in XML, as the format has it.
class NSPropertyListSerialization {
public:
    // Documents beyond these are refused, so that no input can exhaust
    // memory or the stack.
    static constexpr size_t maximumSize = 32u << 20;
    static constexpr unsigned maximumDepth = 512;
    static constexpr size_t maximumObjects = 1u << 20;

    // The value at the top of the document; absent when it is empty,
    // malformed, truncated or beyond the limits.
    static RefPtr<NSObject> propertyListWithData(std::string_view bytes);
    // The same for the file at a device path; absent also when the file is
    // missing or the path does not resolve under the device root.
    static RefPtr<NSObject> propertyListWithContentsOfFile(const std::string& path);

    // The XML document for a value; nothing when the value holds anything an
    // XML property list cannot (an NSValue, an NSError, text with a control
    // character or not in UTF-8, a date beyond the format's range) or nests
    // deeper than the limit.
    static std::optional<std::string> XMLDataWithPropertyList(const NSObject& value);
    // Writes the XML document to a device path; false when it cannot be
    // made or written (an atomic write then leaves the old file whole).
    static bool writePropertyList(const NSObject& value, const std::string& path, bool atomically);
};

} // namespace qv
