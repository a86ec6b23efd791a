#include "BinaryPropertyListWriter.h"

#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSNumber.h"
#include "NSString.h"
#include "PropertyListDateText.h"
#include "StringFormat.h"
#include "TextEncoding.h"

#include <algorithm>
#include <bit>

namespace qv {

namespace {

// The fewest of 1, 2, 4 or 8 bytes that hold the number.
size_t widthFor(uint64_t number)
{
    return number <= 0xFF ? 1 : number <= 0xFFFF ? 2 : number <= 0xFFFFFFFF ? 4 : 8;
}

void appendUnsigned(std::string& output, uint64_t number, size_t width)
{
    for (size_t shift = width; shift-- > 0;)
        output += static_cast<char>(number >> (8 * shift) & 0xFF);
}

// An integer object of 1, 2, 4 or 8 bytes; only the eight-byte one is
// signed, so a negative number takes eight.
void appendInteger(std::string& output, long long number)
{
    size_t width = number < 0 ? 8 : widthFor(static_cast<uint64_t>(number));
    output += static_cast<char>(0x10 | std::countr_zero(width));
    appendUnsigned(output, static_cast<uint64_t>(number), width);
}

// A marker with the count in its low four bits, or 0xF and the count as
// an integer object after it.
void appendCountedMarker(std::string& output, uint8_t type, uint64_t count)
{
    if (count < 0xF) {
        output += static_cast<char>(type << 4 | count);
        return;
    }
    output += static_cast<char>(type << 4 | 0xF);
    appendInteger(output, static_cast<long long>(count));
}

void appendText(std::string& output, const std::string& text)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        appendCountedMarker(output, 0x5, text.size());
        output += text;
        return;
    }
    // Checked to be UTF-8 when it was collected.
    std::u16string units = UTF16FromUTF8(text).value_or(std::u16string());
    appendCountedMarker(output, 0x6, units.size());
    for (char16_t unit : units)
        appendUnsigned(output, unit, 2);
}

void appendLeaf(std::string& output, const NSObject& value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(&value)) {
        switch (number->kind()) {
        case NSNumber::Kind::Boolean:
            output += static_cast<char>(number->boolValue() ? 0x09 : 0x08);
            return;
        case NSNumber::Kind::Integer:
            if (number->isUnsignedBeyondSignedRange()) {
                // Sixteen bytes, signed: the high eight are zero.
                output += static_cast<char>(0x14);
                appendUnsigned(output, 0, 8);
                appendUnsigned(output, number->unsignedLongLongValue(), 8);
            } else {
                appendInteger(output, number->longLongValue());
            }
            return;
        case NSNumber::Kind::Real:
            output += static_cast<char>(0x23);
            appendUnsigned(output, std::bit_cast<uint64_t>(number->doubleValue()), 8);
            return;
        }
    }
    if (auto* data = dynamic_cast<const NSData*>(&value)) {
        appendCountedMarker(output, 0x4, data->length());
        output += data->view();
        return;
    }
    if (auto* date = dynamic_cast<const NSDate*>(&value)) {
        output += static_cast<char>(0x33);
        appendUnsigned(output, std::bit_cast<uint64_t>(date->timeIntervalSinceReferenceDate()), 8);
    }
}

} // namespace

std::optional<std::string> BinaryPropertyListWriter::documentFor(const NSObject& value, NSPropertyListSerialization::WriteError* error)
{
    BinaryPropertyListWriter writer;
    uint64_t top = 0;
    std::optional<PropertyListExtent> extent = writer.collect(value, top, 1);
    if (extent && !extent->fits())
        writer.refuse("a document larger than readers accept", true);
    else if (extent) {
        std::string document = writer.encode(top);
        if (document.size() <= NSPropertyListSerialization::maximumSize)
            return document;
        writer.refuse("a document larger than readers accept", true);
    }
    if (error)
        *error = std::move(writer.m_error);
    else
        NSLog("Property list: cannot write %@", writer.m_error.reason);
    return std::nullopt;
}

bool BinaryPropertyListWriter::refuse(std::string what, bool beyondLimits)
{
    m_error = { std::move(what), beyondLimits };
    return false;
}

// Gives the value its object (a text may have one already) and measures it
// as the readers will.
std::optional<PropertyListExtent> BinaryPropertyListWriter::collect(const NSObject& value, uint64_t& index, unsigned depth)
{
    // The depth limit is also what stops a container that holds itself.
    if (depth > NSPropertyListSerialization::maximumDepth) {
        refuse("values nested beyond the depth limit", true);
        return std::nullopt;
    }
    if (auto* string = dynamic_cast<const NSString*>(&value)) {
        std::optional<uint64_t> text = textObject(string->string(), false);
        if (!text)
            return std::nullopt;
        index = *text;
        return PropertyListExtent::ofString(string->string());
    }
    index = m_objects.size();
    if (dynamic_cast<const NSArray*>(&value) || dynamic_cast<const NSDictionary*>(&value))
        return collectContainer(value, index, depth);
    if (!isWritableLeaf(value) || !hasRoomForAnObject())
        return std::nullopt;
    m_objects.push_back({ &value, std::nullopt, {} });
    return PropertyListExtent::ofLeaf(value);
}

std::optional<PropertyListExtent> BinaryPropertyListWriter::collectContainer(const NSObject& value, uint64_t index, unsigned depth)
{
    if (!hasRoomForAnObject())
        return std::nullopt;
    m_objects.push_back({ &value, std::nullopt, {} });
    std::vector<uint64_t> members;
    if (auto* array = dynamic_cast<const NSArray*>(&value)) {
        PropertyListExtent extent = PropertyListExtent::ofContainer(PropertyListExtent::Container::Array);
        for (const Ref<NSObject>& member : array->objects()) {
            uint64_t memberIndex = 0;
            std::optional<PropertyListExtent> measured = collect(member, memberIndex, depth + 1);
            if (!measured || !addMember(extent, *measured))
                return std::nullopt;
            members.push_back(memberIndex);
        }
        m_objects[index].members = std::move(members);
        return extent;
    }
    PropertyListExtent extent = PropertyListExtent::ofContainer(PropertyListExtent::Container::Dictionary);
    auto entries = static_cast<const NSDictionary&>(value).entries();
    std::vector<uint64_t> values;
    for (const auto& [key, member] : entries) {
        std::optional<uint64_t> keyIndex = textObject(key, true);
        if (!keyIndex)
            return std::nullopt;
        extent.addKey(key);
        uint64_t memberIndex = 0;
        std::optional<PropertyListExtent> measured = collect(member, memberIndex, depth + 1);
        if (!measured || !addMember(extent, *measured))
            return std::nullopt;
        members.push_back(*keyIndex);
        values.push_back(memberIndex);
    }
    members.insert(members.end(), values.begin(), values.end());
    m_objects[index].members = std::move(members);
    return extent;
}

bool BinaryPropertyListWriter::addMember(PropertyListExtent& container, const PropertyListExtent& member)
{
    container.addMember(member);
    if (container.fits())
        return true;
    if (container.depth() > NSPropertyListSerialization::maximumDepth)
        return refuse("values nested beyond the depth limit", true);
    if (container.values() > NSPropertyListSerialization::maximumObjects)
        return refuse("more values than readers accept", true);
    return refuse("a document larger than readers accept", true);
}

// Equal texts share one object.
std::optional<uint64_t> BinaryPropertyListWriter::textObject(const std::string& text, bool isKey)
{
    if (!isValidUTF8(text)) {
        refuse(isKey ? "a key that is not UTF-8 text" : "text that is not UTF-8");
        return std::nullopt;
    }
    // Readers refuse such a key: no XML document could hold it.
    if (isKey && text.find('\0') != std::string::npos) {
        refuse("a key with a NUL character");
        return std::nullopt;
    }
    auto found = m_texts.find(text);
    if (found != m_texts.end())
        return found->second;
    if (!hasRoomForAnObject())
        return std::nullopt;
    uint64_t index = m_objects.size();
    m_objects.push_back({ nullptr, text, {} });
    m_texts.emplace(text, index);
    return index;
}

// Readers count the file's objects, keys included, against the limit of
// values.
bool BinaryPropertyListWriter::hasRoomForAnObject()
{
    return m_objects.size() < NSPropertyListSerialization::maximumObjects || refuse("more objects than readers accept", true);
}

bool BinaryPropertyListWriter::isWritableLeaf(const NSObject& value)
{
    if (dynamic_cast<const NSNumber*>(&value) || dynamic_cast<const NSData*>(&value))
        return true;
    if (auto* date = dynamic_cast<const NSDate*>(&value))
        return isPropertyListDate(date->timeIntervalSinceReferenceDate()) || refuse("a date outside the years 1 to 9999");
    return refuse("a value of class " + value.className());
}

std::string BinaryPropertyListWriter::encode(uint64_t top) const
{
    const size_t referenceSize = widthFor(m_objects.size() - 1);
    std::string output = "bplist00";
    std::vector<uint64_t> offsets;
    offsets.reserve(m_objects.size());
    for (const Object& object : m_objects) {
        offsets.push_back(output.size());
        if (object.text) {
            appendText(output, *object.text);
            continue;
        }
        bool isDictionary = dynamic_cast<const NSDictionary*>(object.value);
        if (!isDictionary && !dynamic_cast<const NSArray*>(object.value)) {
            appendLeaf(output, *object.value);
            continue;
        }
        appendCountedMarker(output, isDictionary ? 0xD : 0xA, isDictionary ? object.members.size() / 2 : object.members.size());
        for (uint64_t member : object.members)
            appendUnsigned(output, member, referenceSize);
    }
    const uint64_t offsetTable = output.size();
    const size_t offsetSize = widthFor(offsets.back());
    for (uint64_t offset : offsets)
        appendUnsigned(output, offset, offsetSize);
    // The trailer: six unused bytes, the two sizes, the object count, the
    // top object and where the offset table starts.
    output.append(6, '\0');
    output += static_cast<char>(offsetSize);
    output += static_cast<char>(referenceSize);
    appendUnsigned(output, m_objects.size(), 8);
    appendUnsigned(output, top, 8);
    appendUnsigned(output, offsetTable, 8);
    return output;
}

} // namespace qv
