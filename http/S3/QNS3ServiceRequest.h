#pragma once

#include "http/S3/QNS3Bucket.h"
#include "http/S3/QNS3Request.h"

namespace qv {

// Lists the buckets of the account.
class QNS3ServiceRequest : public QNS3Request {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3ServiceRequest> serviceRequest();

    const std::vector<Ref<QNS3Bucket>>& buckets() const { return m_buckets; }
    const std::string& ownerID() const { return m_ownerID; }
    const std::string& ownerName() const { return m_ownerName; }

    void buildURL() override;
    Ref<QNHTTPRequest> copy() const override;
    void parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override;
    void parserDidEndElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName) override;

    std::string className() const override { return "QNS3ServiceRequest"; }

private:
    QNS3ServiceRequest() : QNS3Request(nullptr) {}
    std::vector<Ref<QNS3Bucket>> m_buckets;
    RefPtr<QNS3Bucket> m_currentBucket;
    std::string m_ownerID;
    std::string m_ownerName;
};

} // namespace qv
