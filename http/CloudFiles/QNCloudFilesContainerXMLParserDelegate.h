#pragma once

#include "http/CloudFiles/QNCloudFilesContainer.h"

#include "platform/Foundation/NSXMLParser.h"

#include <optional>
#include <vector>

namespace qv {

// Reads a container listing (of an account or of the CDN).
class QNCloudFilesContainerXMLParserDelegate : public NSObject, public NSXMLParserDelegate {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesContainerXMLParserDelegate> create() { return makeRef<QNCloudFilesContainerXMLParserDelegate>(); }

    // Absent until a first container has been read.
    const std::optional<std::vector<Ref<QNCloudFilesContainer>>>& containerObjects() const { return m_containerObjects; }
    // Reads a listing's body into the list.
    void readBody(const std::string& body);
    // The containers of a request's reply, read by its reader (made here
    // on first use) unless the reader holds them already; absent when the
    // reply held none, and then the body is read again next time.
    static std::optional<std::vector<Ref<QNCloudFilesContainer>>> containersOfReply(
        RefPtr<QNCloudFilesContainerXMLParserDelegate>& reader, const std::optional<std::string>& body);

    void parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override;
    void parserDidEndElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName) override;
    void parserFoundCharacters(NSXMLParser&, const std::string& characters) override;

    std::string className() const override { return "QNCloudFilesContainerXMLParserDelegate"; }

private:
    QNCloudFilesContainerXMLParserDelegate() = default;
    std::optional<std::vector<Ref<QNCloudFilesContainer>>> m_containerObjects;
    std::string m_currentElement;
    std::string m_currentContent;
    RefPtr<QNCloudFilesContainer> m_currentObject;
};

} // namespace qv
