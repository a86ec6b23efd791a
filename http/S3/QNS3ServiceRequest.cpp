#include "http/S3/QNS3ServiceRequest.h"

namespace qv {

Ref<QNS3ServiceRequest> QNS3ServiceRequest::serviceRequest()
{
    return makeRef<QNS3ServiceRequest>();
}

void QNS3ServiceRequest::buildURL()
{
    setURL(NSURL::URLWithString(requestScheme() + "://" + S3Host()));
}

Ref<QNHTTPRequest> QNS3ServiceRequest::copy() const
{
    auto copy = makeRef<QNS3ServiceRequest>();
    copyS3SettingsInto(copy);
    return copy;
}

void QNS3ServiceRequest::parserDidStartElement(NSXMLParser& parser, const std::string& elementName,
    const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName, NSDictionary& attributes)
{
    // The owner comes before the buckets in the reply.
    if (elementName == "Bucket")
        m_currentBucket = QNS3Bucket::bucketWithOwnerID(m_ownerID, m_ownerName);
    QNS3Request::parserDidStartElement(parser, elementName, namespaceURI, qualifiedName, attributes);
}

void QNS3ServiceRequest::parserDidEndElement(NSXMLParser& parser, const std::string& elementName,
    const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName)
{
    const std::string& text = currentXMLElementContent();
    if (elementName == "Bucket") {
        if (m_currentBucket)
            m_buckets.push_back(*m_currentBucket);
        m_currentBucket = nullptr;
    } else if (elementName == "Name") {
        if (m_currentBucket)
            m_currentBucket->name = text;
    } else if (elementName == "CreationDate") {
        if (m_currentBucket)
            m_currentBucket->creationDate = S3ResponseDateFormatter()->dateFromString(text);
    } else if (elementName == "ID") {
        m_ownerID = text;
    } else if (elementName == "DisplayName") {
        m_ownerName = text;
    } else {
        QNS3Request::parserDidEndElement(parser, elementName, namespaceURI, qualifiedName);
        return;
    }
    // Every element end pops the stack, handled here or not.
    popElement();
}

} // namespace qv
