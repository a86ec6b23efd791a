#pragma once

#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

enum NSPropertyListFormat {
    NSPropertyListXMLFormat_v1_0 = 100,
    NSPropertyListBinaryFormat_v1_0 = 200,
};

// Reads and writes property lists: dictionaries, arrays, strings,
// booleans, integers, reals, data and dates. Reading accepts XML and binary
// documents; writing produces either. Every value is kept through a read and
// a write: booleans, integers and reals keep their kinds; integers run
// from -2^63 to 2^64-1 (an XML integer is decimal, leading zeros and all,
// or hexadecimal after "0x"); reals keep full precision; dates keep every
// fraction of a second over the years 1 to 9999.
class NSPropertyListSerialization {
public:
    // The limits every reader and the writer keep alike, so that no input
    // can exhaust memory or the stack and whatever is read can be written
    // and read back. A document is refused when it is larger than
    // maximumSize, nests values more than maximumDepth deep (the top value
    // is at depth 1), or holds more than maximumObjects values once every
    // shared reference is expanded (dictionary keys not counted) -- or
    // when its values, written as XML, would be larger than maximumSize.
    static constexpr size_t maximumSize = 32u << 20;
    static constexpr unsigned maximumDepth = 512;
    static constexpr size_t maximumObjects = 1u << 20;

    // The value at the top of the document; absent when it is empty,
    // malformed, truncated, holds a value it cannot keep whole, or goes
    // beyond the limits: the reason is logged, and given in `error`.
    static RefPtr<NSObject> propertyListWithData(std::string_view bytes, std::string* error = nullptr);
    // The same for the file at a device path; absent also when the file is
    // missing or the path does not resolve under the device root.
    static RefPtr<NSObject> propertyListWithContentsOfFile(const std::string& path);

    // Why a value was not written: `beyondLimits` when it goes beyond the
    // limits above, else it holds something the format cannot.
    struct WriteError {
        std::string reason;
        bool beyondLimits = false;
    };

    // The document for a value in the format; nothing when the value goes
    // beyond the limits or holds anything the format cannot: neither holds
    // an NSValue, an NSError, text not in UTF-8 or a date outside the years
    // 1 to 9999; XML holds no text with a control character (but tab, line
    // feed and carriage return), which binary does. The reason goes to
    // `error` when it is given, else to the log.
    static std::optional<std::string> dataWithPropertyList(const NSObject& value, NSPropertyListFormat format, WriteError* error = nullptr);
    // The XML document, as above.
    static std::optional<std::string> XMLDataWithPropertyList(const NSObject& value);
    // Writes the XML document to a device path; false when it cannot be
    // made or written (an atomic write then leaves the old file whole).
    static bool writePropertyList(const NSObject& value, const std::string& path, bool atomically);
};

} // namespace qv
