#include "http/CloudFiles/QNCloudFilesCDNRequest.h"

#include "http/CloudFiles/QNCloudFilesValues.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::cdnRequestWithMethod(const std::string& method, const std::string& query)
{
    auto request = makeRef<QNCloudFilesCDNRequest>(NSURL::URLWithString(cdnManagementURL() + query));
    request->prepare(method);
    return request;
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::cdnRequestWithMethodForContainer(const std::string& method,
    const std::string& containerName)
{
    auto request = cdnRequestWithMethod(method, "/" + cloudfiles::escapedName(containerName));
    request->containerName = containerName;
    return request;
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::containerInfoRequest(const std::string& containerName)
{
    return cdnRequestWithMethodForContainer("HEAD", containerName);
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::listRequest()
{
    return cdnRequestWithMethod("GET", "?format=xml");
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::listRequestWithLimit(unsigned long limit, const std::string& marker,
    bool enabledOnly)
{
    std::string query = "?format=xml";
    if (limit > 0)
        query += stringWithFormat("&limit=%lu", limit);
    if (!marker.empty())
        query += "&marker=" + cloudfiles::escapedQueryValue(marker);
    if (enabledOnly)
        query += "&enabled_only=true";
    return cdnRequestWithMethod("GET", query);
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::putRequestWithContainer(const std::string& containerName)
{
    return cdnRequestWithMethodForContainer("PUT", containerName);
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::putRequestWithContainer(const std::string& containerName, unsigned long ttl)
{
    auto request = putRequestWithContainer(containerName);
    request->addRequestHeader("X-Ttl", stringWithFormat("%lu", ttl));
    return request;
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::postRequestWithContainer(const std::string& containerName)
{
    return cdnRequestWithMethodForContainer("POST", containerName);
}

Ref<QNCloudFilesCDNRequest> QNCloudFilesCDNRequest::postRequestWithContainer(const std::string& containerName,
    bool cdnEnabled, unsigned long ttl)
{
    auto request = postRequestWithContainer(containerName);
    if (ttl > 0)
        request->addRequestHeader("X-Ttl", stringWithFormat("%lu", ttl));
    request->addRequestHeader("X-CDN-Enabled", cdnEnabled ? "True" : "False");
    return request;
}

std::string QNCloudFilesCDNRequest::headerNamed(const std::string& name, const std::string& otherwise) const
{
    if (auto headers = responseHeaders()) {
        if (auto value = headers->stringForKey(name))
            return value->string();
        if (auto value = headers->stringForKey(otherwise))
            return value->string();
    }
    return {};
}

bool QNCloudFilesCDNRequest::cdnEnabled() const
{
    return cloudfiles::boolFromText(headerNamed("X-CDN-Enabled", "X-Cdn-Enabled"));
}

std::string QNCloudFilesCDNRequest::cdnURI() const
{
    return headerNamed("X-CDN-URI", "X-Cdn-Uri");
}

std::string QNCloudFilesCDNRequest::cdnSSLURI() const
{
    return headerNamed("X-CDN-SSL-URI", "X-Cdn-Ssl-Uri");
}

uint64_t QNCloudFilesCDNRequest::cdnTTL() const
{
    return cloudfiles::integerFromText(headerNamed("X-TTL", "X-Ttl"));
}

std::optional<std::vector<Ref<QNCloudFilesContainer>>> QNCloudFilesCDNRequest::containers()
{
    return QNCloudFilesContainerXMLParserDelegate::containersOfReply(m_xmlParserDelegate, responseData());
}

} // namespace qv
