#pragma once

#include "http/S3/QNS3Request.h"

namespace qv {

// Reads, writes, copies, deletes or inspects one object.
class QNS3ObjectRequest : public QNS3Request {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3ObjectRequest> requestWithBucket(const std::string& bucket, const std::string& key,
        const std::string& subResource = {});
    static Ref<QNS3ObjectRequest> PUTRequestForData(const std::string& data, const std::string& bucket, const std::string& key);
    static Ref<QNS3ObjectRequest> PUTRequestForFile(const std::string& path, const std::string& bucket, const std::string& key);
    static Ref<QNS3ObjectRequest> DELETERequestWithBucket(const std::string& bucket, const std::string& key);
    static Ref<QNS3ObjectRequest> HEADRequestWithBucket(const std::string& bucket, const std::string& key);
    static Ref<QNS3ObjectRequest> COPYRequestFromBucket(const std::string& sourceBucket, const std::string& sourceKey,
        const std::string& toBucket, const std::string& key);

    std::string bucket;
    std::string key;
    std::string sourceBucket;
    std::string sourceKey;
    std::string subResource;
    std::string storageClass;
    // The set type; else that of the file sent; else
    // "application/octet-stream".
    std::string mimeType() const;
    void setMimeType(const std::string& type) { m_mimeType = type; }

    Ref<QNHTTPRequest> HEADRequest() const override;
    Ref<NSDictionary> S3Headers() const override;
    void buildURL() override;
    std::string canonicalizedResource() const override;
    void buildRequestHeaders() override;
    Ref<QNHTTPRequest> copy() const override;

    std::string className() const override { return "QNS3ObjectRequest"; }

protected:
    bool shouldReadResponseXML() const override;

private:
    QNS3ObjectRequest() : QNS3Request(nullptr) {}
    bool isUpload() const { return requestMethod() == "PUT" && sourceKey.empty(); }
    std::string m_mimeType;
};

} // namespace qv
