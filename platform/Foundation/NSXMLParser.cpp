#include "NSXMLParser.h"

#include "NSDictionary.h"
#include "NSString.h"
#include "StringFormat.h"

#include <algorithm>
#include <expat.h>

namespace qv {

namespace {

// Between the parts of a namespaced name as expat hands it over: the URI,
// the local name and the prefix. No XML name or URI can hold this byte.
constexpr char namespaceSeparator = '\x01';
// expat takes lengths as int; a large document is handed over in pieces.
constexpr size_t pieceSize = 1 << 20;

struct NamespacedName {
    std::string localName;
    std::string namespaceURI;
    std::string qualifiedName;
};

NamespacedName splitNamespacedName(const XML_Char* name)
{
    std::string text(name);
    size_t first = text.find(namespaceSeparator);
    if (first == std::string::npos)
        return { text, "", text };
    size_t second = text.find(namespaceSeparator, first + 1);
    NamespacedName parts;
    parts.namespaceURI = text.substr(0, first);
    parts.localName = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    std::string prefix = second == std::string::npos ? "" : text.substr(second + 1);
    parts.qualifiedName = prefix.empty() ? parts.localName : prefix + ":" + parts.localName;
    return parts;
}

} // namespace

// The C callbacks expat calls, each handing over to the parser's delegate.
struct ExpatHandlers {
    static NSXMLParser& parserOf(void* data) { return *static_cast<NSXMLParser*>(data); }

    static void XMLCALL startElement(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        NSXMLParser& parser = parserOf(data);
        parser.notePosition();
        Ref<NSDictionary> attributeDictionary = NSDictionary::create();
        for (const XML_Char** attribute = attributes; attribute[0]; attribute += 2) {
            std::string key = parser.m_processNamespaces ? splitNamespacedName(attribute[0]).qualifiedName : attribute[0];
            attributeDictionary->setObject(NSString::create(attribute[1]), key);
        }
        if (!parser.m_processNamespaces) {
            parser.m_activeDelegate->parserDidStartElement(parser, name, std::nullopt, std::nullopt, attributeDictionary);
            return;
        }
        NamespacedName parts = splitNamespacedName(name);
        parser.m_activeDelegate->parserDidStartElement(parser, parts.localName, parts.namespaceURI, parts.qualifiedName,
            attributeDictionary);
    }

    static void XMLCALL endElement(void* data, const XML_Char* name)
    {
        NSXMLParser& parser = parserOf(data);
        parser.notePosition();
        if (!parser.m_processNamespaces) {
            parser.m_activeDelegate->parserDidEndElement(parser, name, std::nullopt, std::nullopt);
            return;
        }
        NamespacedName parts = splitNamespacedName(name);
        parser.m_activeDelegate->parserDidEndElement(parser, parts.localName, parts.namespaceURI, parts.qualifiedName);
    }

    static void XMLCALL characters(void* data, const XML_Char* text, int length)
    {
        NSXMLParser& parser = parserOf(data);
        parser.notePosition();
        parser.m_activeDelegate->parserFoundCharacters(parser, std::string(text, length));
    }

    static void XMLCALL startNamespace(void* data, const XML_Char* prefix, const XML_Char* uri)
    {
        NSXMLParser& parser = parserOf(data);
        parser.m_activeDelegate->parserDidStartMappingPrefix(parser, prefix ? prefix : "", uri ? uri : "");
    }

    static void XMLCALL endNamespace(void* data, const XML_Char* prefix)
    {
        NSXMLParser& parser = parserOf(data);
        parser.m_activeDelegate->parserDidEndMappingPrefix(parser, prefix ? prefix : "");
    }

    // A document that declares entities could expand them without bound
    // or point them outside itself; no document the system reads needs any.
    static void XMLCALL entityDeclaration(void* data, const XML_Char* name, int, const XML_Char*, int,
        const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
    {
        NSXMLParser& parser = parserOf(data);
        parser.notePosition();
        parser.stop(NSError::create(NSXMLParserErrorDomain, NSXMLParserEntityRefusedError,
            stringWithFormat("The document declares the entity \"%s\", which is not allowed", name)));
    }
};

bool NSXMLParser::parse()
{
    if (m_expat)
        return false;
    RefPtr<NSXMLParser> protectedThis(this);
    RefPtr<NSXMLParserDelegate> delegate = m_delegate.lock();
    // A parser without a delegate still reads the document, telling no one.
    struct Silent : NSXMLParserDelegate { };
    RefPtr<NSXMLParserDelegate> silent;
    if (!delegate)
        silent = delegate = makeRef<Silent>();

    m_error = nullptr;
    m_aborted = false;
    m_lineNumber = m_columnNumber = 0;
    XML_Parser expat = m_processNamespaces ? XML_ParserCreateNS(nullptr, namespaceSeparator) : XML_ParserCreate(nullptr);
    if (!expat) {
        m_error = NSError::create(NSXMLParserErrorDomain, NSXMLParserInternalError, "The XML parser could not be made");
        delegate->parserParseErrorOccurred(*this, *m_error);
        return false;
    }
    bool finished = parseWith(expat, delegate.get());
    XML_ParserFree(expat);
    m_expat = nullptr;
    m_activeDelegate = nullptr;
    return finished;
}

bool NSXMLParser::parseWith(void* expatParser, NSXMLParserDelegate* delegate)
{
    auto expat = static_cast<XML_Parser>(expatParser);
    m_expat = expat;
    m_activeDelegate = delegate;
    if (m_processNamespaces)
        XML_SetReturnNSTriplet(expat, XML_TRUE);
    XML_SetUserData(expat, this);
    XML_SetParamEntityParsing(expat, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetElementHandler(expat, ExpatHandlers::startElement, ExpatHandlers::endElement);
    XML_SetCharacterDataHandler(expat, ExpatHandlers::characters);
    XML_SetEntityDeclHandler(expat, ExpatHandlers::entityDeclaration);
    if (m_processNamespaces && m_reportPrefixes)
        XML_SetNamespaceDeclHandler(expat, ExpatHandlers::startNamespace, ExpatHandlers::endNamespace);

    delegate->parserDidStartDocument(*this);
    std::string_view document = m_data->view();
    size_t offset = 0;
    bool parsed = !m_aborted;
    while (parsed) {
        size_t length = std::min(pieceSize, document.size() - offset);
        bool last = offset + length == document.size();
        parsed = XML_Parse(expat, document.data() + offset, static_cast<int>(length), last) == XML_STATUS_OK;
        offset += length;
        if (last)
            break;
    }
    if (parsed && !m_aborted) {
        delegate->parserDidEndDocument(*this);
        return true;
    }
    if (m_aborted && !m_error) {
        m_error = NSError::create(NSXMLParserErrorDomain, NSXMLParserDelegateAbortedParseError, "The parse was aborted");
        return false;
    }
    if (!m_error) {
        notePosition();
        XML_Error code = XML_GetErrorCode(expat);
        NSInteger domainCode = code == XML_ERROR_NO_MEMORY ? NSXMLParserInternalError : NSXMLParserNotWellFormedError;
        m_error = NSError::create(NSXMLParserErrorDomain, domainCode,
            stringWithFormat("%s at line %ld, column %ld", XML_ErrorString(code), m_lineNumber, m_columnNumber));
    }
    delegate->parserParseErrorOccurred(*this, *m_error);
    return false;
}

void NSXMLParser::abortParsing()
{
    if (!m_expat || m_aborted)
        return;
    m_aborted = true;
    XML_StopParser(static_cast<XML_Parser>(m_expat), XML_FALSE);
}

void NSXMLParser::stop(Ref<NSError> error)
{
    if (m_aborted)
        return;
    m_error = error;
    m_aborted = true;
    XML_StopParser(static_cast<XML_Parser>(m_expat), XML_FALSE);
}

void NSXMLParser::notePosition()
{
    auto expat = static_cast<XML_Parser>(m_expat);
    m_lineNumber = static_cast<NSInteger>(XML_GetCurrentLineNumber(expat));
    m_columnNumber = static_cast<NSInteger>(XML_GetCurrentColumnNumber(expat));
}

Ref<NSXMLParser> NSXMLParser::create(const NSData& data)
{
    return makeRef<NSXMLParser>(data);
}

} // namespace qv
