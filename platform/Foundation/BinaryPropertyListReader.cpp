#include "BinaryPropertyListReader.h"

#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSNumber.h"
#include "NSPropertyListSerialization.h"
#include "NSString.h"
#include "PropertyListDateText.h"
#include "StringFormat.h"
#include "TextEncoding.h"

#include <bit>
#include <cstring>

namespace qv {

namespace {

// Text as the model holds it: UTF-8. An "ASCII" string may carry other
// bytes; they are taken as Latin-1 rather than kept as bytes that no XML
// document could hold.
std::string textFromASCII(std::string_view text)
{
    return isValidUTF8(text) ? std::string(text) : UTF8FromLatin1(text);
}

// UTF-16 (big-endian) as UTF-8; nothing for a surrogate without its pair.
std::optional<std::string> textFromUTF16(std::string_view units)
{
    std::string text;
    text.reserve(units.size());
    auto unitAt = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(units[2 * i]) << 8 | static_cast<uint8_t>(units[2 * i + 1])); };
    size_t count = units.size() / 2;
    for (size_t i = 0; i < count; ++i) {
        uint32_t character = unitAt(i);
        if (character >= 0xDC00 && character <= 0xDFFF)
            return std::nullopt;
        if (character >= 0xD800 && character <= 0xDBFF) {
            uint32_t low = i + 1 < count ? unitAt(i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            character = 0x10000 + ((character - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        if (character < 0x80) {
            text += static_cast<char>(character);
        } else if (character < 0x800) {
            text += static_cast<char>(0xC0 | character >> 6);
            text += static_cast<char>(0x80 | (character & 0x3F));
        } else if (character < 0x10000) {
            text += static_cast<char>(0xE0 | character >> 12);
            text += static_cast<char>(0x80 | (character >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (character & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | character >> 18);
            text += static_cast<char>(0x80 | (character >> 12 & 0x3F));
            text += static_cast<char>(0x80 | (character >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (character & 0x3F));
        }
    }
    return text;
}

bool isText(const BinaryPropertyList::Object& marker)
{
    return marker.type == 0x5 || marker.type == 0x6;
}

} // namespace

RefPtr<NSObject> BinaryPropertyListReader::read(std::string_view bytes, std::string& error)
{
    BinaryPropertyListReader reader(bytes);
    if (!reader.m_list.readTrailer(NSPropertyListSerialization::maximumObjects)) {
        error = "a malformed trailer or offset table";
        return nullptr;
    }
    if (!reader.measure()) {
        error = std::move(reader.m_error);
        return nullptr;
    }
    return reader.build(reader.m_list.topObject());
}

bool BinaryPropertyListReader::fail(std::string reason)
{
    if (m_error.empty())
        m_error = std::move(reason);
    return false;
}

bool BinaryPropertyListReader::measure()
{
    m_measured.resize(static_cast<size_t>(m_list.objectCount()));
    if (!enter(m_list.topObject()))
        return false;
    while (!m_path.empty()) {
        Frame& frame = m_path.back();
        if (frame.nextMember == frame.members.count) {
            uint64_t object = frame.object;
            m_measured[object].state = Measured::State::Done;
            m_measured[object].extent = frame.extent;
            m_path.pop_back();
            if (!m_path.empty() && !fold(m_path.back(), object, false))
                return false;
            continue;
        }
        bool isKey = frame.members.isDictionary && frame.nextMember < frame.members.count / 2;
        auto member = m_list.reference(frame.members, frame.nextMember++);
        if (!member)
            return fail("a reference past the object table");
        Measured& measured = m_measured[*member];
        if (measured.state == Measured::State::OnPath)
            return fail("a container inside itself");
        if (measured.state == Measured::State::Done) {
            if (!fold(frame, *member, isKey))
                return false;
            continue;
        }
        auto marker = m_list.object(*member);
        if (!marker)
            return fail("an object outside the file");
        if (isKey && !isText(*marker))
            return fail("a dictionary key that is not text");
        if (BinaryPropertyList::isArray(*marker) || BinaryPropertyList::isDictionary(*marker)) {
            if (isKey)
                return fail("a dictionary key that is not text");
            if (!enter(*member))
                return false;
            continue;
        }
        if (!measureLeaf(*member, *marker) || !fold(m_path.back(), *member, isKey))
            return false;
    }
    return true;
}

// Starts measuring a container, or measures a leaf at the top.
bool BinaryPropertyListReader::enter(uint64_t object)
{
    auto marker = m_list.object(object);
    if (!marker)
        return fail("an object outside the file");
    if (!BinaryPropertyList::isArray(*marker) && !BinaryPropertyList::isDictionary(*marker)) {
        if (!measureLeaf(object, *marker))
            return false;
        return m_measured[object].extent->fits() || fail(stringWithFormat("a value larger than %lu bytes of XML", NSPropertyListSerialization::maximumSize));
    }
    if (m_path.size() >= NSPropertyListSerialization::maximumDepth)
        return fail(stringWithFormat("values nested more than %u deep", NSPropertyListSerialization::maximumDepth));
    auto members = m_list.membersOf(*marker);
    if (!members)
        return fail("a container running past the objects");
    m_measured[object].state = Measured::State::OnPath;
    auto kind = members->isDictionary ? PropertyListExtent::Container::Dictionary : PropertyListExtent::Container::Array;
    m_path.push_back(Frame { object, *members, PropertyListExtent::ofContainer(kind) });
    return true;
}

bool BinaryPropertyListReader::measureLeaf(uint64_t object, const BinaryPropertyList::Object& marker)
{
    RefPtr<NSObject> value = leafValue(marker);
    if (!value)
        return false;
    Measured& measured = m_measured[object];
    measured.state = Measured::State::Done;
    measured.extent = PropertyListExtent::ofLeaf(*value);
    measured.leaf = std::move(value);
    return true;
}

// Folds a measured member (or key) into the container that refers to it.
bool BinaryPropertyListReader::fold(Frame& container, uint64_t member, bool isKey)
{
    const Measured& measured = m_measured[member];
    if (isKey) {
        // A key may be an object met before, as a value or a container.
        auto* key = dynamic_cast<const NSString*>(measured.leaf.get());
        if (!key)
            return fail("a dictionary key that is not text");
        // No writer makes one, and no XML document could hold it.
        if (key->string().find('\0') != std::string::npos)
            return fail("a dictionary key with a NUL character");
        container.extent.addKey(key->string());
    } else {
        container.extent.addMember(*measured.extent);
    }
    if (container.extent.fits())
        return true;
    if (container.extent.depth() > NSPropertyListSerialization::maximumDepth)
        return fail(stringWithFormat("values nested more than %u deep", NSPropertyListSerialization::maximumDepth));
    if (container.extent.values() > NSPropertyListSerialization::maximumObjects)
        return fail(stringWithFormat("more than %lu values once shared objects are expanded", NSPropertyListSerialization::maximumObjects));
    return fail(stringWithFormat("values that expand to more than %lu bytes of XML", NSPropertyListSerialization::maximumSize));
}

RefPtr<NSObject> BinaryPropertyListReader::leafValue(const BinaryPropertyList::Object& marker)
{
    size_t contents = marker.at + 1;
    switch (marker.type) {
    case 0x0:
        if (marker.info == 0x8 || marker.info == 0x9)
            return NSNumber::numberWithBool(marker.info == 0x9);
        break;
    case 0x1: {
        if (marker.info > 4)
            break;
        if (marker.info == 4) {
            // 128 bits, signed: of these only -2^63 to 2^64-1 are values.
            auto high = m_list.unsignedAt(contents, 8);
            auto low = m_list.unsignedAt(contents + 8, 8);
            if (!high || !low)
                break;
            if (*high == 0)
                return NSNumber::numberWithUnsignedLongLong(*low);
            if (*high == UINT64_MAX && (*low >> 63))
                return NSNumber::numberWithLongLong(static_cast<long long>(*low));
            fail("an integer beyond -2^63 to 2^64-1");
            return nullptr;
        }
        size_t width = size_t(1) << marker.info;
        auto bits = m_list.unsignedAt(contents, width);
        if (!bits)
            break;
        // Eight bytes are signed (their bits are the value); fewer are not.
        return NSNumber::numberWithLongLong(static_cast<long long>(*bits));
    }
    case 0x2: {
        if (marker.info == 2) {
            auto bits = m_list.unsignedAt(contents, 4);
            if (bits)
                return NSNumber::numberWithDouble(std::bit_cast<float>(static_cast<uint32_t>(*bits)));
        } else if (marker.info == 3) {
            auto bits = m_list.unsignedAt(contents, 8);
            if (bits)
                return NSNumber::numberWithDouble(std::bit_cast<double>(*bits));
        }
        break;
    }
    case 0x3: {
        auto bits = marker.info == 3 ? m_list.unsignedAt(contents, 8) : std::nullopt;
        if (!bits)
            break;
        double moment = std::bit_cast<double>(*bits);
        if (!isPropertyListDate(moment)) {
            fail("a date outside the years 1 to 9999");
            return nullptr;
        }
        return NSDate::dateWithTimeIntervalSinceReferenceDate(moment);
    }
    case 0x4:
    case 0x5:
    case 0x6: {
        size_t unit = marker.type == 0x6 ? 2 : 1;
        auto counted = m_list.countedContents(marker, unit);
        if (!counted)
            break;
        auto bytes = m_list.bytesAt(counted->second, static_cast<size_t>(counted->first) * unit);
        if (!bytes)
            break;
        if (marker.type == 0x4)
            return NSData::dataWithBytes(bytes->data(), bytes->size());
        if (marker.type == 0x5)
            return NSString::create(textFromASCII(*bytes));
        if (auto text = textFromUTF16(*bytes))
            return NSString::create(std::move(*text));
        fail("text with a broken UTF-16 surrogate pair");
        return nullptr;
    }
    default:
        // Null, fill, keyed-archive identifiers and the unknown are no
        // values of a property list.
        fail(stringWithFormat("an object of type 0x%x%x that is no property-list value", marker.type, marker.info));
        return nullptr;
    }
    fail("an object running past the objects");
    return nullptr;
}

Ref<NSObject> BinaryPropertyListReader::build(uint64_t object)
{
    const Measured& measured = m_measured[object];
    if (measured.leaf)
        return measured.leaf.toRef();
    // Measured whole already: every marker, count and reference is sound.
    auto members = *m_list.membersOf(*m_list.object(object));
    if (!members.isDictionary) {
        std::vector<Ref<NSObject>> objects;
        objects.reserve(static_cast<size_t>(members.count));
        for (uint64_t i = 0; i < members.count; ++i)
            objects.push_back(build(*m_list.reference(members, i)));
        return NSArray::arrayWithObjects(std::move(objects));
    }
    std::map<std::string, Ref<NSObject>> entries;
    uint64_t half = members.count / 2;
    for (uint64_t i = 0; i < half; ++i) {
        const std::string& key = static_cast<const NSString&>(*m_measured[*m_list.reference(members, i)].leaf).string();
        entries.insert_or_assign(entries.end(), key, build(*m_list.reference(members, half + i)));
    }
    return NSDictionary::dictionaryWithEntries(std::move(entries));
}

} // namespace qv
