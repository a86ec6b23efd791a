#include "http/CloudFiles/QNCloudFilesContainerXMLParserDelegate.h"

#include "http/CloudFiles/QNCloudFilesValues.h"

namespace qv {

void QNCloudFilesContainerXMLParserDelegate::readBody(const std::string& body)
{
    cloudfiles::readXML(body, *this);
}

std::optional<std::vector<Ref<QNCloudFilesContainer>>> QNCloudFilesContainerXMLParserDelegate::containersOfReply(
    RefPtr<QNCloudFilesContainerXMLParserDelegate>& reader, const std::optional<std::string>& body)
{
    if (reader && reader->containerObjects())
        return reader->containerObjects();
    if (!reader)
        reader = create();
    reader->readBody(body.value_or(""));
    return reader->containerObjects();
}

void QNCloudFilesContainerXMLParserDelegate::parserDidStartElement(NSXMLParser&, const std::string& elementName,
    const std::optional<std::string>&, const std::optional<std::string>&, NSDictionary&)
{
    m_currentElement = elementName;
    m_currentContent.clear();
    if (elementName == "container")
        m_currentObject = QNCloudFilesContainer::container();
}

void QNCloudFilesContainerXMLParserDelegate::parserDidEndElement(NSXMLParser&, const std::string& elementName,
    const std::optional<std::string>&, const std::optional<std::string>&)
{
    if (elementName == "container") {
        if (!m_currentObject)
            return;
        if (!m_containerObjects)
            m_containerObjects.emplace();
        m_containerObjects->push_back(*m_currentObject);
        m_currentObject = nullptr;
        return;
    }
    // Fields outside a container have no record to go to.
    if (!m_currentObject)
        return;
    auto& container = *m_currentObject;
    const std::string& text = m_currentContent;
    if (elementName == "name")
        container.name = text;
    else if (elementName == "cdn_url")
        container.cdnURL = text;
    else if (elementName == "referrer_acl")
        container.referrerACL = text;
    else if (elementName == "useragent_acl")
        container.useragentACL = text;
    else if (elementName == "count")
        container.count = cloudfiles::integerFromText(text);
    else if (elementName == "bytes")
        container.bytes = cloudfiles::integerFromText(text);
    else if (elementName == "ttl")
        container.ttl = cloudfiles::integerFromText(text);
    else if (elementName == "cdn_enabled")
        container.cdnEnabled = text == "True";
    else if (elementName == "log_retention")
        container.logRetention = text == "True";
}

void QNCloudFilesContainerXMLParserDelegate::parserFoundCharacters(NSXMLParser&, const std::string& characters)
{
    m_currentContent += characters;
}

} // namespace qv
