#include "PropertyListNesting.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <expat.h>
#include <optional>
#include <vector>

namespace qv {

namespace {

// The layout of a binary property list: the header "bplist00", the
// objects, a table of object offsets, and a 32-byte trailer giving the
// sizes of offsets and references, the object count, the top object and
// where the offset table starts. Containers hold references (object
// indexes) to their members: arrays and sets one per member, dictionaries
// one per key and one per value.
class BinaryPropertyList {
public:
    explicit BinaryPropertyList(std::string_view bytes) : m_bytes(bytes) {}

    bool readTrailer(size_t maximumObjects);
    uint64_t objectCount() const { return m_objectCount; }
    uint64_t topObject() const { return m_topObject; }

    // Where a container's references start and how many it has; zero
    // references for anything that is not a container.
    struct Members {
        size_t firstReference = 0;
        uint64_t count = 0;
        bool isDictionary = false;
    };
    std::optional<Members> membersOf(uint64_t object) const;
    // Whether the object can be a dictionary's key: text without a NUL
    // byte (libplist gives up the whole process on one in a key).
    bool isUsableKey(uint64_t object) const;
    std::optional<uint64_t> reference(const Members& members, uint64_t index) const;

private:
    std::optional<uint64_t> readUnsigned(size_t at, size_t width) const;
    std::optional<size_t> objectStart(uint64_t object) const;
    // The count in an object's marker, or in the integer after it; and
    // where the object's contents begin.
    std::optional<std::pair<uint64_t, size_t>> countAndContents(size_t at) const;

    std::string_view m_bytes;
    size_t m_offsetSize = 0;
    size_t m_referenceSize = 0;
    uint64_t m_objectCount = 0;
    uint64_t m_topObject = 0;
    uint64_t m_offsetTable = 0;
    size_t m_objectsEnd = 0;
};

constexpr size_t headerSize = 8;
constexpr size_t trailerSize = 32;

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
    if (m_bytes.size() < headerSize + trailerSize || m_bytes.substr(0, headerSize) != "bplist00")
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
    // the expanded limit means a document this reader would refuse anyway.
    if (m_objectCount == 0 || m_objectCount > maximumObjects || m_topObject >= m_objectCount)
        return false;
    if (m_offsetTable < headerSize || m_offsetTable > trailer || (trailer - m_offsetTable) / m_offsetSize < m_objectCount)
        return false;
    m_objectsEnd = static_cast<size_t>(m_offsetTable);
    return true;
}

std::optional<size_t> BinaryPropertyList::objectStart(uint64_t object) const
{
    auto offset = readUnsigned(static_cast<size_t>(m_offsetTable + object * m_offsetSize), m_offsetSize);
    if (!offset || *offset < headerSize || *offset >= m_objectsEnd)
        return std::nullopt;
    return static_cast<size_t>(*offset);
}

std::optional<std::pair<uint64_t, size_t>> BinaryPropertyList::countAndContents(size_t at) const
{
    uint64_t count = static_cast<uint8_t>(m_bytes[at]) & 0xF;
    if (count != 0xF)
        return std::pair { count, at + 1 };
    // The count follows as an integer object of 1, 2, 4 or 8 bytes.
    auto integerMarker = readUnsigned(at + 1, 1);
    if (!integerMarker || (*integerMarker >> 4) != 0x1 || (*integerMarker & 0xF) > 3)
        return std::nullopt;
    size_t width = size_t(1) << (*integerMarker & 0xF);
    auto extended = readUnsigned(at + 2, width);
    if (!extended)
        return std::nullopt;
    return std::pair { *extended, at + 2 + width };
}

std::optional<BinaryPropertyList::Members> BinaryPropertyList::membersOf(uint64_t object) const
{
    auto at = objectStart(object);
    if (!at)
        return std::nullopt;
    uint8_t type = static_cast<uint8_t>(m_bytes[*at]) >> 4;
    bool isArrayOrSet = type == 0xA || type == 0xB || type == 0xC;
    bool isDictionary = type == 0xD;
    if (!isArrayOrSet && !isDictionary)
        return Members {};
    auto counted = countAndContents(*at);
    if (!counted || counted->second > m_objectsEnd)
        return std::nullopt;
    auto [count, firstReference] = *counted;
    size_t room = (m_objectsEnd - firstReference) / m_referenceSize;
    if (count > room || (isDictionary && count > room / 2))
        return std::nullopt;
    return Members { firstReference, isDictionary ? count * 2 : count, isDictionary };
}

bool BinaryPropertyList::isUsableKey(uint64_t object) const
{
    auto at = objectStart(object);
    if (!at)
        return false;
    uint8_t type = static_cast<uint8_t>(m_bytes[*at]) >> 4;
    if (type != 0x5 && type != 0x6)
        return false;
    auto counted = countAndContents(*at);
    if (!counted || counted->second > m_objectsEnd)
        return false;
    auto [count, contents] = *counted;
    // ASCII text has a byte per character, UTF-16 two.
    size_t unit = type == 0x5 ? 1 : 2;
    if (count > (m_objectsEnd - contents) / unit)
        return false;
    for (size_t i = 0; i < count; ++i) {
        std::string_view character = m_bytes.substr(contents + i * unit, unit);
        if (character.find_first_not_of('\0') == std::string_view::npos)
            return false;
    }
    return true;
}

std::optional<uint64_t> BinaryPropertyList::reference(const Members& members, uint64_t index) const
{
    auto object = readUnsigned(members.firstReference + static_cast<size_t>(index) * m_referenceSize, m_referenceSize);
    if (!object || *object >= m_objectCount)
        return std::nullopt;
    return object;
}

// One container being measured by the walk below.
struct Frame {
    uint64_t object;
    BinaryPropertyList::Members members;
    uint64_t nextMember = 0;
    unsigned depth = 1;   // 1 + the deepest member measured so far
    uint64_t expanded = 1; // this object + every member, expanded
};

// Per object, once measured: its depth and expanded size. Depth 0 means
// not yet measured; `active` marks one on the walk's current path.
struct Measure {
    uint16_t depth = 0;
    bool active = false;
    uint32_t expanded = 0;
};

} // namespace

bool binaryPropertyListFits(std::string_view bytes, const PropertyListLimits& limits)
{
    BinaryPropertyList list(bytes);
    if (!list.readTrailer(limits.maximumObjects) || limits.maximumDepth > UINT16_MAX || limits.maximumObjects > UINT32_MAX)
        return false;
    // A walk with its own stack, depth first, measuring each object once
    // however often it is referenced.
    std::vector<Measure> measures(static_cast<size_t>(list.objectCount()));
    std::vector<Frame> path;
    auto enter = [&](uint64_t object) -> bool {
        auto members = list.membersOf(object);
        if (!members || path.size() >= limits.maximumDepth)
            return false;
        measures[object].active = true;
        path.push_back(Frame { object, *members });
        return true;
    };
    // Folds a measured member into the container that refers to it.
    auto fold = [&](Frame& container, const Measure& member) -> bool {
        container.depth = std::max(container.depth, member.depth + 1u);
        container.expanded += member.expanded;
        return container.depth <= limits.maximumDepth && container.expanded <= limits.maximumObjects;
    };
    if (!enter(list.topObject()))
        return false;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.nextMember == frame.members.count) {
            Measure& measure = measures[frame.object];
            measure = Measure { static_cast<uint16_t>(frame.depth), false, static_cast<uint32_t>(frame.expanded) };
            path.pop_back();
            if (!path.empty() && !fold(path.back(), measure))
                return false;
            continue;
        }
        bool isKey = frame.members.isDictionary && frame.nextMember < frame.members.count / 2;
        auto member = list.reference(frame.members, frame.nextMember++);
        if (!member || measures[*member].active || (isKey && !list.isUsableKey(*member)))
            return false; // a bad reference or key, or a container inside itself
        if (measures[*member].depth) {
            if (!fold(frame, measures[*member]))
                return false;
            continue;
        }
        if (!enter(*member))
            return false;
    }
    return true;
}

namespace {

struct XmlScan {
    XML_Parser parser;
    PropertyListLimits limits;
    unsigned depth = 0;
    size_t values = 0;
};

void stopScan(XmlScan& scan)
{
    XML_StopParser(scan.parser, XML_FALSE);
}

void XMLCALL startElement(void* data, const XML_Char* name, const XML_Char**)
{
    auto& scan = *static_cast<XmlScan*>(data);
    // Every element but a dictionary's key becomes a value (or the
    // <plist> wrapper, which the depth counts too).
    if (std::strcmp(name, "key") != 0)
        ++scan.values;
    if (++scan.depth > scan.limits.maximumDepth || scan.values > scan.limits.maximumObjects)
        stopScan(scan);
}

void XMLCALL endElement(void* data, const XML_Char*)
{
    --static_cast<XmlScan*>(data)->depth;
}

// A property list never needs a document type subset of its own; refusing
// one keeps entity expansion (and its blow-ups) out altogether.
void XMLCALL startDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int hasInternalSubset)
{
    if (hasInternalSubset)
        stopScan(*static_cast<XmlScan*>(data));
}

void XMLCALL entityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
{
    stopScan(*static_cast<XmlScan*>(data));
}

} // namespace

bool xmlPropertyListFits(std::string_view bytes, const PropertyListLimits& limits)
{
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
        return false;
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser)
        return false;
    XmlScan scan { parser, limits };
    XML_SetUserData(parser, &scan);
    XML_SetElementHandler(parser, startElement, endElement);
    XML_SetStartDoctypeDeclHandler(parser, startDoctype);
    XML_SetEntityDeclHandler(parser, entityDeclaration);
    bool fits = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return fits;
}

} // namespace qv
