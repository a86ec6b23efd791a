#pragma once

#include "http/CloudFiles/QNCloudFilesContainerXMLParserDelegate.h"
#include "http/CloudFiles/QNCloudFilesRequest.h"

namespace qv {

// Requests on the account and its containers.
class QNCloudFilesContainerRequest : public QNCloudFilesRequest {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesContainerRequest> storageRequestWithMethod(const std::string& method,
        const std::string& containerName, const std::string& queryString);
    static Ref<QNCloudFilesContainerRequest> storageRequestWithMethod(const std::string& method, const std::string& queryString);
    static Ref<QNCloudFilesContainerRequest> storageRequestWithMethod(const std::string& method);
    static Ref<QNCloudFilesContainerRequest> accountInfoRequest();
    static Ref<QNCloudFilesContainerRequest> listRequest();
    static Ref<QNCloudFilesContainerRequest> listRequestWithLimit(unsigned long limit, const std::string& marker);
    static Ref<QNCloudFilesContainerRequest> createContainerRequest(const std::string& name);
    static Ref<QNCloudFilesContainerRequest> deleteContainerRequest(const std::string& name);

    // From the reply.
    uint64_t containerCount() const;
    uint64_t bytesUsed() const;
    std::optional<std::vector<Ref<QNCloudFilesContainer>>> containers();

    std::string className() const override { return "QNCloudFilesContainerRequest"; }

private:
    explicit QNCloudFilesContainerRequest(RefPtr<NSURL> url) : QNCloudFilesRequest(std::move(url)) {}
    RefPtr<QNCloudFilesContainerXMLParserDelegate> m_xmlParserDelegate;
};

} // namespace qv
