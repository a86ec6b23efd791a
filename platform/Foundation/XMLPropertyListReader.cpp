#include "XMLPropertyListReader.h"

#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSDictionary.h"
#include "NSNumber.h"
#include "NSPropertyListSerialization.h"
#include "NSString.h"
#include "PropertyListBase64.h"
#include "PropertyListDateText.h"
#include "PropertyListNumberText.h"
#include "StringFormat.h"

#include <cstring>
#include <expat.h>

namespace qv {


RefPtr<NSObject> XMLPropertyListReader::read(std::string_view bytes, std::string& error)
{
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
        error = "too large";
        return nullptr;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        error = "out of memory";
        return nullptr;
    }
    XMLPropertyListReader reader(parser);
    reader.m_containers.push_back(Container { Container::Kind::Document, PropertyListExtent::ofContainer(PropertyListExtent::Container::Array) });
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, startHandler, endHandler);
    XML_SetCharacterDataHandler(parser, textHandler);
    XML_SetStartDoctypeDeclHandler(parser, doctypeHandler);
    XML_SetEntityDeclHandler(parser, entityHandler);
    bool parsed = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    if (!parsed && reader.m_error.empty()) {
        reader.m_error = stringWithFormat("not well-formed XML (%s, line %lu)", XML_ErrorString(XML_GetErrorCode(parser)),
            static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
    }
    XML_ParserFree(parser);
    if (parsed && !reader.m_top)
        reader.m_error = "no value in the document";
    if (!reader.m_error.empty()) {
        error = std::move(reader.m_error);
        return nullptr;
    }
    return reader.m_top;
}

XMLPropertyListReader::Element XMLPropertyListReader::elementNamed(const char* name)
{
    struct Named {
        const char* name;
        Element element;
    };
    static const Named elements[] = {
        { "key", Element::Key }, { "string", Element::String }, { "integer", Element::Integer }, { "real", Element::Real },
        { "dict", Element::Dictionary }, { "true", Element::True }, { "false", Element::False }, { "array", Element::Array },
        { "date", Element::Date }, { "data", Element::Data }, { "plist", Element::Plist },
    };
    for (const Named& named : elements) {
        if (std::strcmp(named.name, name) == 0)
            return named.element;
    }
    return Element::Unknown;
}

void XMLPropertyListReader::stop(std::string reason)
{
    if (m_error.empty())
        m_error = std::move(reason);
    XML_StopParser(static_cast<XML_Parser>(m_parser), XML_FALSE);
}

void XMLPropertyListReader::start(const char* name, const char** attributes)
{
    Element element = elementNamed(name);
    bool isRoot = !m_startedRoot;
    m_startedRoot = true;
    if (m_leaf)
        return stop(stringWithFormat("an element <%s> inside a text element", name));
    if (element == Element::Plist) {
        // The usual wrapper around the top value, and only there.
        if (!isRoot)
            stop("a <plist> inside the document");
        return;
    }
    if (element == Element::Unknown)
        return stop(stringWithFormat("an element <%s> that is no property-list value", name));
    Container& container = m_containers.back();
    if (element == Element::Key) {
        if (container.kind != Container::Kind::Dictionary || container.key)
            return stop("a <key> where a value belongs");
    } else {
        if (container.kind == Container::Kind::Dictionary && !container.key)
            return stop("a value without a <key> in a dictionary");
        // The containers on the stack, the document's included, are the
        // levels above this value.
        if (m_containers.size() > NSPropertyListSerialization::maximumDepth)
            return stop(stringWithFormat("values nested more than %u deep", NSPropertyListSerialization::maximumDepth));
        if (++m_values > NSPropertyListSerialization::maximumObjects)
            return stop(stringWithFormat("more than %lu values", NSPropertyListSerialization::maximumObjects));
    }
    if (element == Element::Dictionary)
        return startContainer(Container::Kind::Dictionary);
    if (element == Element::Array)
        return startContainer(Container::Kind::Array);
    m_leaf = element;
    m_text.clear();
    m_dateSeconds.reset();
    // Attributes are passed over, but for a date's exact seconds.
    for (const char** attribute = attributes; element == Element::Date && attribute[0]; attribute += 2) {
        if (propertyListDateSecondsAttribute == attribute[0])
            m_dateSeconds = attribute[1];
    }
}

void XMLPropertyListReader::startContainer(Container::Kind kind)
{
    auto extentKind = kind == Container::Kind::Dictionary ? PropertyListExtent::Container::Dictionary : PropertyListExtent::Container::Array;
    m_containers.push_back(Container { kind, PropertyListExtent::ofContainer(extentKind) });
}

void XMLPropertyListReader::end(const char* name)
{
    if (m_leaf)
        return endLeaf();
    if (m_containers.size() > 1 && std::strcmp(name, "plist") != 0)
        return endContainer();
}

void XMLPropertyListReader::endContainer()
{
    Container container = std::move(m_containers.back());
    m_containers.pop_back();
    if (container.kind == Container::Kind::Array)
        return add(NSArray::arrayWithObjects(std::move(container.members)), container.extent);
    if (container.key)
        return stop("a <key> without a value");
    add(NSDictionary::dictionaryWithEntries(std::move(container.entries)), container.extent);
}

void XMLPropertyListReader::endLeaf()
{
    Element element = *m_leaf;
    m_leaf.reset();
    switch (element) {
    case Element::Key: {
        Container& container = m_containers.back();
        container.extent.addKey(m_text);
        container.key = std::move(m_text);
        if (!container.extent.fits())
            stop("values that would be written larger than readers accept");
        return;
    }
    case Element::String: {
        auto extent = PropertyListExtent::ofString(m_text);
        return add(NSString::create(std::move(m_text)), extent);
    }
    case Element::True:
    case Element::False:
        return add(NSNumber::numberWithBool(element == Element::True), PropertyListExtent::ofBoolean(element == Element::True));
    case Element::Integer:
        if (auto number = propertyListIntegerFromText(m_text))
            return add(number.toRef(), PropertyListExtent::ofInteger(*number));
        return stop(stringWithFormat("an integer \"%@\" it cannot read (from -2^63 to 2^64-1)", m_text));
    case Element::Real:
        if (auto number = propertyListRealFromText(m_text))
            return add(number.toRef(), PropertyListExtent::ofReal(number->doubleValue()));
        return stop(stringWithFormat("a real \"%@\" it cannot read", m_text));
    case Element::Date:
        if (auto moment = propertyListDateFromElement(m_text, m_dateSeconds))
            return add(NSDate::dateWithTimeIntervalSinceReferenceDate(*moment), PropertyListExtent::ofDate(*moment));
        return stop(stringWithFormat("a date \"%@\" it cannot read", m_text));
    case Element::Data:
        if (auto bytes = propertyListBytesFromBase64(m_text))
            return add(NSData::dataWithBytes(bytes->data(), bytes->size()), PropertyListExtent::ofData(bytes->size()));
        return stop("data that is not Base64");
    default:
        return;
    }
}

void XMLPropertyListReader::text(std::string_view characters)
{
    // Text between the elements of a container is layout, whatever it holds.
    if (m_leaf)
        m_text.append(characters);
}

void XMLPropertyListReader::add(Ref<NSObject> value, const PropertyListExtent& extent)
{
    Container& container = m_containers.back();
    switch (container.kind) {
    case Container::Kind::Document:
        if (m_top)
            return stop("more than one value at the top");
        // The top value is written without indentation.
        if (!extent.fits())
            return stop("values that would be written larger than readers accept");
        m_top = std::move(value);
        return;
    case Container::Kind::Array:
        container.members.push_back(std::move(value));
        break;
    case Container::Kind::Dictionary:
        container.entries.insert_or_assign(container.entries.end(), std::move(*container.key), std::move(value));
        container.key.reset();
        break;
    }
    container.extent.addMember(extent);
    if (!container.extent.fits())
        stop("values that would be written larger than readers accept");
}

// Once stopped, expat may still report the end of the element it stopped
// in; nothing more is read then.
void XMLPropertyListReader::startHandler(void* data, const char* name, const char** attributes)
{
    auto* reader = static_cast<XMLPropertyListReader*>(data);
    if (reader->m_error.empty())
        reader->start(name, attributes);
}

void XMLPropertyListReader::endHandler(void* data, const char* name)
{
    auto* reader = static_cast<XMLPropertyListReader*>(data);
    if (reader->m_error.empty())
        reader->end(name);
}

void XMLPropertyListReader::textHandler(void* data, const char* characters, int length)
{
    auto* reader = static_cast<XMLPropertyListReader*>(data);
    if (reader->m_error.empty())
        reader->text(std::string_view(characters, static_cast<size_t>(length)));
}

// A property list never needs a document type subset of its own; refusing
// one keeps entity expansion (and its blow-ups) out altogether.
void XMLPropertyListReader::doctypeHandler(void* reader, const char*, const char*, const char*, int hasInternalSubset)
{
    if (hasInternalSubset)
        static_cast<XMLPropertyListReader*>(reader)->stop("a document type with declarations of its own");
}

void XMLPropertyListReader::entityHandler(void* reader, const char*, int, const char*, int, const char*, const char*, const char*, const char*)
{
    static_cast<XMLPropertyListReader*>(reader)->stop("an entity declaration");
}

} // namespace qv
