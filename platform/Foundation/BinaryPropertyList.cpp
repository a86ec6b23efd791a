#include "BinaryPropertyList.h"

namespace qv {

namespace {

constexpr size_t headerSize = 8;
constexpr size_t trailerSize = 32;

} // namespace

std::optional<uint64_t> BinaryPropertyList::readUnsigned(size_t at, size_t width) const
{
    if (width < 1 || width > 8 || at > m_bytes.size() || m_bytes.size() - at < width)
        return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<uint8_t>(m_bytes[at + i]);
    return value;
}

bool BinaryPropertyList::readTrailer(size_t maximumObjects)
{
    if (m_bytes.size() < headerSize + trailerSize || !hasHeader(m_bytes))
        return false;
    size_t trailer = m_bytes.size() - trailerSize;
    m_offsetSize = static_cast<uint8_t>(m_bytes[trailer + 6]);
    m_referenceSize = static_cast<uint8_t>(m_bytes[trailer + 7]);
    auto count = readUnsigned(trailer + 8, 8);
    auto top = readUnsigned(trailer + 16, 8);
    auto table = readUnsigned(trailer + 24, 8);
    if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8 || !count || !top || !table)
        return false;
    m_objectCount = *count;
    m_topObject = *top;
    m_offsetTable = *table;
    // Writers store each object once and refer to it; more objects than
    // the expanded limit means a document a reader would refuse anyway.
    if (m_objectCount == 0 || m_objectCount > maximumObjects || m_topObject >= m_objectCount)
        return false;
    if (m_offsetTable < headerSize || m_offsetTable > trailer || (trailer - m_offsetTable) / m_offsetSize < m_objectCount)
        return false;
    m_objectsEnd = static_cast<size_t>(m_offsetTable);
    return true;
}

std::optional<BinaryPropertyList::Object> BinaryPropertyList::object(uint64_t index) const
{
    if (index >= m_objectCount)
        return std::nullopt;
    auto offset = readUnsigned(static_cast<size_t>(m_offsetTable + index * m_offsetSize), m_offsetSize);
    if (!offset || *offset < headerSize || *offset >= m_objectsEnd)
        return std::nullopt;
    auto at = static_cast<size_t>(*offset);
    auto marker = static_cast<uint8_t>(m_bytes[at]);
    return Object { static_cast<uint8_t>(marker >> 4), static_cast<uint8_t>(marker & 0xF), at };
}

std::optional<std::string_view> BinaryPropertyList::bytesAt(size_t at, size_t width) const
{
    if (at > m_objectsEnd || m_objectsEnd - at < width)
        return std::nullopt;
    return m_bytes.substr(at, width);
}

std::optional<uint64_t> BinaryPropertyList::unsignedAt(size_t at, size_t width) const
{
    if (at > m_objectsEnd || m_objectsEnd - at < width)
        return std::nullopt;
    return readUnsigned(at, width);
}

std::optional<std::pair<uint64_t, size_t>> BinaryPropertyList::countedContents(const Object& object, size_t unitSize) const
{
    uint64_t count = object.info;
    size_t contents = object.at + 1;
    if (count == 0xF) {
        // The count follows as an integer object of 1, 2, 4 or 8 bytes.
        auto integerMarker = unsignedAt(object.at + 1, 1);
        if (!integerMarker || (*integerMarker >> 4) != 0x1 || (*integerMarker & 0xF) > 3)
            return std::nullopt;
        size_t width = size_t(1) << (*integerMarker & 0xF);
        auto extended = unsignedAt(object.at + 2, width);
        if (!extended)
            return std::nullopt;
        count = *extended;
        contents = object.at + 2 + width;
    }
    if (contents > m_objectsEnd || count > (m_objectsEnd - contents) / unitSize)
        return std::nullopt;
    return std::pair { count, contents };
}

std::optional<BinaryPropertyList::Members> BinaryPropertyList::membersOf(const Object& container) const
{
    bool dictionary = isDictionary(container);
    if (!dictionary && !isArray(container))
        return std::nullopt;
    // A dictionary's count is of its entries: two references each.
    auto counted = countedContents(container, dictionary ? 2 * m_referenceSize : m_referenceSize);
    if (!counted)
        return std::nullopt;
    auto [count, firstReference] = *counted;
    return Members { firstReference, dictionary ? count * 2 : count, dictionary };
}

std::optional<uint64_t> BinaryPropertyList::reference(const Members& members, uint64_t index) const
{
    auto object = readUnsigned(members.firstReference + static_cast<size_t>(index) * m_referenceSize, m_referenceSize);
    if (!object || *object >= m_objectCount)
        return std::nullopt;
    return object;
}

} // namespace qv
