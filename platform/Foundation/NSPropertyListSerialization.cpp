#include "NSPropertyListSerialization.h"

#include "DeviceRoot.h"
#include "FileAccess.h"
#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSNumber.h"
#include "NSString.h"
#include "PropertyListNesting.h"
#include "StringFormat.h"
#include "TextEncoding.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <plist/plist.h>

namespace qv {

namespace {

constexpr PropertyListLimits limits { NSPropertyListSerialization::maximumDepth, NSPropertyListSerialization::maximumObjects };

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

struct IteratorFree {
    void operator()(void* iterator) const { std::free(iterator); }
};

// --- Reading: libplist's nodes become values.

RefPtr<NSObject> valueFromNode(plist_t node, unsigned depth);

// Text as the model holds it: UTF-8. A binary document's "ASCII" strings
// may carry other bytes; they are taken as Latin-1 rather than kept as
// bytes that no XML document could hold.
std::string textFromFile(std::string_view text)
{
    return isValidUTF8(text) ? std::string(text) : UTF8FromLatin1(text);
}

// libplist 2.2 keeps every integer as an unsigned 64-bit value and marks
// the ones above the signed range only internally; a node compares equal
// to a fresh one of the same bits exactly when it is within the signed
// range. Beyond it the value saturates.
Ref<NSNumber> integerFromNode(plist_t node)
{
    uint64_t bits = 0;
    plist_get_uint_val(node, &bits);
    auto value = static_cast<int64_t>(bits);
    if (value < 0) {
        PlistNode signedProbe(plist_new_uint(bits));
        if (!plist_compare_node_value(node, signedProbe.get()))
            value = NSIntegerMax;
    }
    return NSNumber::numberWithLongLong(value);
}

RefPtr<NSObject> arrayFromNode(plist_t node, unsigned depth)
{
    std::vector<Ref<NSObject>> objects;
    objects.reserve(plist_array_get_size(node));
    // libplist finds an item by its index by walking the list from the
    // start, so the list is walked once with an iterator instead: by index
    // a layout of many icons took minutes to read.
    plist_array_iter rawIterator = nullptr;
    plist_array_new_iter(node, &rawIterator);
    std::unique_ptr<void, IteratorFree> iterator(rawIterator);
    while (true) {
        plist_t item = nullptr;
        plist_array_next_item(node, iterator.get(), &item);
        if (!item)
            break;
        auto member = valueFromNode(item, depth + 1);
        if (!member)
            return nullptr;
        objects.push_back(member.toRef());
    }
    return NSArray::arrayWithObjects(std::move(objects));
}

RefPtr<NSObject> dictionaryFromNode(plist_t node, unsigned depth)
{
    auto dictionary = NSDictionary::create();
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    bool complete = true;
    while (complete) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, &key, &item);
        if (!item) {
            std::free(key);
            break;
        }
        auto value = key ? valueFromNode(item, depth + 1) : nullptr;
        if (value)
            dictionary->setObject(value.toRef(), textFromFile(key));
        complete = bool(value);
        std::free(key);
    }
    std::free(iterator);
    return complete ? RefPtr<NSObject>(dictionary) : nullptr;
}

RefPtr<NSObject> valueFromNode(plist_t node, unsigned depth)
{
    // The nesting was checked before parsing; this guards the recursion
    // all the same.
    if (!node || depth > NSPropertyListSerialization::maximumDepth)
        return nullptr;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return NSNumber::numberWithBool(value);
    }
    case PLIST_UINT:
        return integerFromNode(node);
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return NSNumber::numberWithDouble(value);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return NSString::create(textFromFile(text ? std::string_view(text, length) : std::string_view()));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return NSData::dataWithBytes(bytes, bytes ? length : 0);
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return NSDate::dateWithTimeIntervalSinceReferenceDate(seconds + microseconds / 1e6);
    }
    case PLIST_ARRAY:
        return arrayFromNode(node, depth);
    case PLIST_DICT:
        return dictionaryFromNode(node, depth);
    default:
        // Keys outside a dictionary and keyed-archive identifiers are no
        // values of this model.
        return nullptr;
    }
}

// --- Writing: values become libplist's nodes.

PlistNode nodeFromValue(const NSObject& value, unsigned depth);

bool refuseToWrite(const char* what)
{
    NSLog("Property list: cannot write %s", what);
    return false;
}


PlistNode nodeFromNumber(const NSNumber& number)
{
    switch (number.kind()) {
    case NSNumber::Kind::Boolean:
        return PlistNode(plist_new_bool(number.boolValue()));
    case NSNumber::Kind::Integer:
        // Stored as the same 64 bits; libplist writes them signed.
        return PlistNode(plist_new_uint(static_cast<uint64_t>(number.longLongValue())));
    case NSNumber::Kind::Real:
        break;
    }
    return PlistNode(plist_new_real(number.doubleValue()));
}

PlistNode nodeFromDate(const NSDate& date)
{
    // The format's dates are whole seconds from 2001 in 32 bits, plus
    // microseconds.
    double interval = date.timeIntervalSinceReferenceDate();
    double seconds = std::floor(interval);
    if (!(seconds >= INT32_MIN && seconds <= INT32_MAX)) {
        refuseToWrite("a date beyond the years 1933 to 2069");
        return nullptr;
    }
    auto microseconds = static_cast<int32_t>(std::lround((interval - seconds) * 1e6));
    if (microseconds >= 1000000)
        microseconds = 999999;
    return PlistNode(plist_new_date(static_cast<int32_t>(seconds), microseconds));
}

PlistNode nodeFromArray(const NSArray& array, unsigned depth)
{
    PlistNode node(plist_new_array());
    for (const Ref<NSObject>& member : array.objects()) {
        PlistNode child = nodeFromValue(member, depth + 1);
        if (!child)
            return nullptr;
        plist_array_append_item(node.get(), child.release());
    }
    return node;
}

PlistNode nodeFromDictionary(const NSDictionary& dictionary, unsigned depth)
{
    PlistNode node(plist_new_dict());
    for (const auto& [key, value] : dictionary.entries()) {
        // Anything else would make a file that no reader, this one
        // included, accepts.
        if (!isXMLText(key)) {
            refuseToWrite("a key with characters XML cannot hold");
            return nullptr;
        }
        PlistNode child = nodeFromValue(value, depth + 1);
        if (!child)
            return nullptr;
        plist_dict_set_item(node.get(), key.c_str(), child.release());
    }
    return node;
}

PlistNode nodeFromValue(const NSObject& value, unsigned depth)
{
    // Also what stops a container that holds itself.
    if (depth > NSPropertyListSerialization::maximumDepth) {
        refuseToWrite("values nested beyond the depth limit");
        return nullptr;
    }
    if (auto* number = dynamic_cast<const NSNumber*>(&value))
        return nodeFromNumber(*number);
    if (auto* string = dynamic_cast<const NSString*>(&value)) {
        if (!isXMLText(string->string())) {
            refuseToWrite("text with characters XML cannot hold");
            return nullptr;
        }
        return PlistNode(plist_new_string(string->string().c_str()));
    }
    if (auto* data = dynamic_cast<const NSData*>(&value))
        return PlistNode(plist_new_data(data->view().data(), data->length()));
    if (auto* date = dynamic_cast<const NSDate*>(&value))
        return nodeFromDate(*date);
    if (auto* array = dynamic_cast<const NSArray*>(&value))
        return nodeFromArray(*array, depth);
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(&value))
        return nodeFromDictionary(*dictionary, depth);
    NSLog("Property list: cannot write a value of class %@", value.className());
    return nullptr;
}

} // namespace

RefPtr<NSObject> NSPropertyListSerialization::propertyListWithData(std::string_view bytes)
{
    if (bytes.empty())
        return nullptr;
    if (bytes.size() > maximumSize) {
        NSLog("Property list: refusing %lu bytes, more than %lu", bytes.size(), maximumSize);
        return nullptr;
    }
    // A copy ending in NUL, whatever the parser expects of its input.
    std::string document(bytes);
    bool binary = document.starts_with("bplist00");
    if (binary ? !binaryPropertyListFits(document, limits) : !xmlPropertyListFits(document, limits))
        return nullptr;
    plist_t root = nullptr;
    auto length = static_cast<uint32_t>(document.size());
    if (binary)
        plist_from_bin(document.data(), length, &root);
    else
        plist_from_xml(document.data(), length, &root);
    PlistNode owner(root);
    return valueFromNode(root, 1);
}

RefPtr<NSObject> NSPropertyListSerialization::propertyListWithContentsOfFile(const std::string& path)
{
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return nullptr;
    auto contents = readHostFile(*hostPath, maximumSize);
    if (!contents)
        return nullptr;
    return propertyListWithData(*contents);
}

std::optional<std::string> NSPropertyListSerialization::XMLDataWithPropertyList(const NSObject& value)
{
    PlistNode root = nodeFromValue(value, 1);
    if (!root)
        return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return std::nullopt;
    std::string document(xml, length);
    plist_to_xml_free(xml);
    return document;
}

bool NSPropertyListSerialization::writePropertyList(const NSObject& value, const std::string& path, bool atomically)
{
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return false;
    auto document = XMLDataWithPropertyList(value);
    return document && writeHostFile(*hostPath, *document, atomically);
}

} // namespace qv
