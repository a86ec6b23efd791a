#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace qv {

// The layout of a binary property list: the header "bplist00", the
// objects, a table of object offsets, and a 32-byte trailer giving the
// sizes of offsets and references, the object count, the top object and
// where the offset table starts. Containers hold references (object
// indexes) to their members: arrays and sets one per member, dictionaries
// one per key and one per value. Every read is checked against the bounds
// of the objects, so no malformed file reads outside them.
class BinaryPropertyList {
public:
    explicit BinaryPropertyList(std::string_view bytes) : m_bytes(bytes) {}

    static bool hasHeader(std::string_view bytes) { return bytes.starts_with("bplist00"); }

    // False when the trailer or the offset table is malformed, or there are
    // more objects than `maximumObjects`.
    bool readTrailer(size_t maximumObjects);
    uint64_t objectCount() const { return m_objectCount; }
    uint64_t topObject() const { return m_topObject; }

    // An object's marker: its type in the high four bits, a size or count
    // in the low four.
    struct Object {
        uint8_t type;
        uint8_t info;
        size_t at; // the marker's offset
    };
    std::optional<Object> object(uint64_t index) const;

    // Where a container's references start and how many it has (for a
    // dictionary its keys' and then its values').
    struct Members {
        size_t firstReference = 0;
        uint64_t count = 0;
        bool isDictionary = false;
    };
    static bool isArray(const Object& object) { return object.type == 0xA || object.type == 0xB || object.type == 0xC; }
    static bool isDictionary(const Object& object) { return object.type == 0xD; }
    std::optional<Members> membersOf(const Object& container) const;
    std::optional<uint64_t> reference(const Members& members, uint64_t index) const;

    // The count of a counted object (data, text, containers) and where its
    // contents begin, with the contents' `unitSize`-byte units checked to
    // lie within the objects.
    std::optional<std::pair<uint64_t, size_t>> countedContents(const Object& object, size_t unitSize) const;
    // `width` bytes at `at`, within the objects.
    std::optional<std::string_view> bytesAt(size_t at, size_t width) const;
    // A big-endian unsigned number of 1 to 8 bytes at `at`, within the objects.
    std::optional<uint64_t> unsignedAt(size_t at, size_t width) const;

private:
    std::optional<uint64_t> readUnsigned(size_t at, size_t width) const;

    std::string_view m_bytes;
    size_t m_offsetSize = 0;
    size_t m_referenceSize = 0;
    uint64_t m_objectCount = 0;
    uint64_t m_topObject = 0;
    uint64_t m_offsetTable = 0;
    size_t m_objectsEnd = 0;
};

} // namespace qv
