#include "http/S3/QNS3BucketRequest.h"

#include "platform/CoreFoundation/CFURLEscaping.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

namespace {

// A query value keeps only the characters that cannot change the query's
// meaning, so "a+b" or "x&marker=y" stay one value.
std::string escapedQueryValue(const std::string& value)
{
    return CFURLCreateStringByAddingPercentEscapes(value, "", "!*'();/?:@&=+$,");
}

} // namespace

Ref<QNS3BucketRequest> QNS3BucketRequest::requestWithBucket(const std::string& bucket, const std::string& subResource)
{
    auto request = makeRef<QNS3BucketRequest>();
    request->bucket = bucket;
    request->subResource = subResource;
    return request;
}

Ref<QNS3BucketRequest> QNS3BucketRequest::PUTRequestWithBucket(const std::string& bucket)
{
    auto request = requestWithBucket(bucket);
    request->setRequestMethod("PUT");
    return request;
}

Ref<QNS3BucketRequest> QNS3BucketRequest::DELETERequestWithBucket(const std::string& bucket)
{
    auto request = requestWithBucket(bucket);
    request->setRequestMethod("DELETE");
    return request;
}

Ref<QNHTTPRequest> QNS3BucketRequest::copy() const
{
    auto copy = makeRef<QNS3BucketRequest>();
    copyS3SettingsInto(copy);
    copy->bucket = bucket;
    copy->subResource = subResource;
    copy->prefix = prefix;
    copy->marker = marker;
    copy->maxResultCount = maxResultCount;
    copy->delimiter = delimiter;
    return copy;
}

std::string QNS3BucketRequest::canonicalizedResource() const
{
    if (!subResource.empty())
        return "/" + bucket + "/?" + subResource;
    return "/" + bucket + "/";
}

void QNS3BucketRequest::buildURL()
{
    std::string address = requestScheme() + "://" + bucket + "." + S3Host();
    if (!subResource.empty())
        address += "/?" + subResource;
    std::vector<std::string> parts;
    if (!prefix.empty())
        parts.push_back("prefix=" + escapedQueryValue(prefix));
    if (!marker.empty())
        parts.push_back("marker=" + escapedQueryValue(marker));
    if (!delimiter.empty())
        parts.push_back("delimiter=" + escapedQueryValue(delimiter));
    if (maxResultCount > 0)
        parts.push_back(stringWithFormat("max-keys=%i", maxResultCount));
    if (!parts.empty()) {
        std::string query;
        for (const auto& part : parts)
            query += (query.empty() ? "" : "&") + part;
        address += (subResource.empty() ? "?" : "&") + query;
    }
    setURL(NSURL::URLWithString(address));
}

void QNS3BucketRequest::parserDidStartElement(NSXMLParser& parser, const std::string& elementName,
    const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName, NSDictionary& attributes)
{
    if (elementName == "Contents")
        m_currentObject = QNS3BucketObject::objectWithBucket(bucket);
    QNS3Request::parserDidStartElement(parser, elementName, namespaceURI, qualifiedName, attributes);
}

void QNS3BucketRequest::parserDidEndElement(NSXMLParser& parser, const std::string& elementName,
    const std::optional<std::string>& namespaceURI, const std::optional<std::string>& qualifiedName)
{
    const std::string text = currentXMLElementContent();
    if (elementName == "Contents") {
        if (m_currentObject)
            m_objects.push_back(*m_currentObject);
        m_currentObject = nullptr;
    } else if (elementName == "Key" || elementName == "ETag" || elementName == "ID" || elementName == "DisplayName") {
        if (m_currentObject) {
            auto& field = elementName == "Key" ? m_currentObject->key
                : elementName == "ETag"       ? m_currentObject->ETag
                : elementName == "ID"         ? m_currentObject->ownerID
                                              : m_currentObject->ownerName;
            field = text;
        }
    } else if (elementName == "LastModified") {
        if (m_currentObject)
            m_currentObject->lastModified = S3ResponseDateFormatter()->dateFromString(text);
    } else if (elementName == "Size") {
        if (m_currentObject)
            m_currentObject->size = uint64_t(std::strtoll(text.c_str(), nullptr, 10));
    } else if (elementName == "Prefix" && enclosingElement() == "CommonPrefixes") {
        m_commonPrefixes.push_back(text);
    } else if (elementName == "IsTruncated") {
        m_isTruncated = text == "true";
    } else {
        QNS3Request::parserDidEndElement(parser, elementName, namespaceURI, qualifiedName);
        return;
    }
    popElement();
}

} // namespace qv
