#pragma once

#include "http/S3/QNS3BucketObject.h"
#include "http/S3/QNS3Request.h"

namespace qv {

// Lists, creates or deletes one bucket.
class QNS3BucketRequest : public QNS3Request {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3BucketRequest> requestWithBucket(const std::string& bucket, const std::string& subResource = {});
    static Ref<QNS3BucketRequest> PUTRequestWithBucket(const std::string& bucket);
    static Ref<QNS3BucketRequest> DELETERequestWithBucket(const std::string& bucket);

    std::string bucket;
    std::string subResource;
    std::string prefix;
    std::string marker;
    std::string delimiter;
    int32_t maxResultCount = 0; // 0 or less: no limit

    const std::vector<Ref<QNS3BucketObject>>& objects() const { return m_objects; }
    const std::vector<std::string>& commonPrefixes() const { return m_commonPrefixes; }
    bool isTruncated() const { return m_isTruncated; }

    void buildURL() override;
    std::string canonicalizedResource() const override;
    Ref<QNHTTPRequest> copy() const override;
    void parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override;
    void parserDidEndElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName) override;

    std::string className() const override { return "QNS3BucketRequest"; }

private:
    QNS3BucketRequest() : QNS3Request(nullptr) {}
    std::vector<Ref<QNS3BucketObject>> m_objects;
    std::vector<std::string> m_commonPrefixes;
    bool m_isTruncated = false;
    RefPtr<QNS3BucketObject> m_currentObject;
};

} // namespace qv
