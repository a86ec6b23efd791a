#include "http/CloudFiles/QNCloudFilesContainerRequest.h"

#include "http/CloudFiles/QNCloudFilesValues.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::storageRequestWithMethod(const std::string& method,
    const std::string& containerName, const std::string& queryString)
{
    std::string address = storageURL();
    if (!containerName.empty())
        address += "/" + cloudfiles::escapedName(containerName);
    auto request = makeRef<QNCloudFilesContainerRequest>(NSURL::URLWithString(address + queryString));
    request->prepare(method);
    return request;
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::storageRequestWithMethod(const std::string& method,
    const std::string& queryString)
{
    return storageRequestWithMethod(method, "", queryString);
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::storageRequestWithMethod(const std::string& method)
{
    return storageRequestWithMethod(method, "", "");
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::accountInfoRequest()
{
    return storageRequestWithMethod("HEAD");
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::listRequest()
{
    return storageRequestWithMethod("GET", "?format=xml");
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::listRequestWithLimit(unsigned long limit,
    const std::string& marker)
{
    std::string query = "?format=xml";
    if (limit > 0)
        query += stringWithFormat("&limit=%lu", limit);
    if (!marker.empty())
        query += "&marker=" + cloudfiles::escapedQueryValue(marker);
    return storageRequestWithMethod("GET", query);
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::createContainerRequest(const std::string& name)
{
    return storageRequestWithMethod("PUT", name, "");
}

Ref<QNCloudFilesContainerRequest> QNCloudFilesContainerRequest::deleteContainerRequest(const std::string& name)
{
    return storageRequestWithMethod("DELETE", name, "");
}

uint64_t QNCloudFilesContainerRequest::containerCount() const
{
    return cloudfiles::integerFromText(responseHeader("X-Account-Container-Count").value_or(""));
}

uint64_t QNCloudFilesContainerRequest::bytesUsed() const
{
    return cloudfiles::integerFromText(responseHeader("X-Account-Bytes-Used").value_or(""));
}

std::optional<std::vector<Ref<QNCloudFilesContainer>>> QNCloudFilesContainerRequest::containers()
{
    return QNCloudFilesContainerXMLParserDelegate::containersOfReply(m_xmlParserDelegate, responseData());
}

} // namespace qv
