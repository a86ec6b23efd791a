#pragma once

#include "platform/core/Object.h"

#include <optional>
#include <string>

namespace qv {

class NSDictionary;
class NSError;
class NSXMLParser;

// What an XML parser tells its delegate, in document order. Every method is
// optional. The namespace URI and qualified name of an element are present
// only while the parser processes namespaces.
class NSXMLParserDelegate : public virtual Object {
public:
    virtual void parserDidStartDocument(NSXMLParser&) {}
    virtual void parserDidEndDocument(NSXMLParser&) {}
    // The attributes map each attribute's name to its value (NSString).
    virtual void parserDidStartElement(NSXMLParser&, const std::string& elementName,
        const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName,
        NSDictionary& attributes) {}
    virtual void parserDidEndElement(NSXMLParser&, const std::string& elementName,
        const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName) {}
    // Text arrives in pieces; a delegate that wants an element's text
    // gathers them.
    virtual void parserFoundCharacters(NSXMLParser&, const std::string& characters) {}
    // Only while the parser reports namespace prefixes.
    virtual void parserDidStartMappingPrefix(NSXMLParser&, const std::string& prefix, const std::string& namespaceURI) {}
    virtual void parserDidEndMappingPrefix(NSXMLParser&, const std::string& prefix) {}
    // The document is not well formed, or declares what is refused; the
    // parse ends. Not called when the delegate itself aborted the parse.
    virtual void parserParseErrorOccurred(NSXMLParser&, NSError& parseError) {}

protected:
    ~NSXMLParserDelegate() override = default;
};

} // namespace qv
