#pragma once

#include "http/CloudFiles/QNCloudFilesContainerXMLParserDelegate.h"
#include "http/CloudFiles/QNCloudFilesRequest.h"

namespace qv {

// Requests on the CDN settings of the account's containers.
class QNCloudFilesCDNRequest : public QNCloudFilesRequest {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesCDNRequest> cdnRequestWithMethod(const std::string& method, const std::string& query);
    static Ref<QNCloudFilesCDNRequest> cdnRequestWithMethodForContainer(const std::string& method,
        const std::string& containerName);
    static Ref<QNCloudFilesCDNRequest> containerInfoRequest(const std::string& containerName);
    static Ref<QNCloudFilesCDNRequest> listRequest();
    // Asks for CDN-enabled containers only when `enabledOnly` is set.
    static Ref<QNCloudFilesCDNRequest> listRequestWithLimit(unsigned long limit, const std::string& marker, bool enabledOnly);
    static Ref<QNCloudFilesCDNRequest> putRequestWithContainer(const std::string& containerName);
    static Ref<QNCloudFilesCDNRequest> putRequestWithContainer(const std::string& containerName, unsigned long ttl);
    static Ref<QNCloudFilesCDNRequest> postRequestWithContainer(const std::string& containerName);
    static Ref<QNCloudFilesCDNRequest> postRequestWithContainer(const std::string& containerName, bool cdnEnabled,
        unsigned long ttl);

    std::string accountName;
    std::string containerName;

    // From the reply.
    bool cdnEnabled() const;
    std::string cdnURI() const;
    std::string cdnSSLURI() const;
    uint64_t cdnTTL() const;
    std::optional<std::vector<Ref<QNCloudFilesContainer>>> containers();

    std::string className() const override { return "QNCloudFilesCDNRequest"; }

private:
    explicit QNCloudFilesCDNRequest(RefPtr<NSURL> url) : QNCloudFilesRequest(std::move(url)) {}
    // A reply header under its first name, else under its second.
    std::string headerNamed(const std::string& name, const std::string& otherwise) const;
    RefPtr<QNCloudFilesContainerXMLParserDelegate> m_xmlParserDelegate;
};

} // namespace qv
