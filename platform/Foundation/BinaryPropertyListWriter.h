#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/PropertyListExtent.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// Writes a value as a binary property list (the layout BinaryPropertyList
// reads): each value an object of its own, except that equal texts (keys
// and strings) are one object; text in ASCII where it is, else in UTF-16;
// integers in the fewest bytes that keep them. It holds text that XML
// cannot (control characters). Refuses (with the reason) what no reader
// could take back whole, as the XML writer does, and measures the value as
// the readers do (PropertyListExtent), so that whatever is written reads
// back as the same value.
class BinaryPropertyListWriter {
public:
    // Nothing when refused: the reason goes to `error` when it is given,
    // else to the log.
    static std::optional<std::string> documentFor(const NSObject& value, NSPropertyListSerialization::WriteError* error = nullptr);

private:
    BinaryPropertyListWriter() = default;

    // One object of the file: a text (a key or a string), another leaf, or
    // a container whose members are the indexes of its objects (for a
    // dictionary its keys', then its values').
    // The values are held by the value being written, for as long as it
    // is written.
    struct Object {
        const NSObject* value = nullptr;
        std::optional<std::string> text;
        std::vector<uint64_t> members;
    };

    std::optional<PropertyListExtent> collect(const NSObject& value, uint64_t& index, unsigned depth);
    std::optional<PropertyListExtent> collectContainer(const NSObject& value, uint64_t index, unsigned depth);
    bool addMember(PropertyListExtent& container, const PropertyListExtent& member);
    std::optional<uint64_t> textObject(const std::string& text, bool isKey);
    bool isWritableLeaf(const NSObject& value);
    bool hasRoomForAnObject();
    std::string encode(uint64_t top) const;
    bool refuse(std::string what, bool beyondLimits = false);

    std::vector<Object> m_objects;
    std::map<std::string, uint64_t, std::less<>> m_texts;
    NSPropertyListSerialization::WriteError m_error;
};

} // namespace qv
