#include "http/S3/QNS3ObjectRequest.h"

namespace qv {

Ref<QNS3ObjectRequest> QNS3ObjectRequest::requestWithBucket(const std::string& bucket, const std::string& key,
    const std::string& subResource)
{
    auto request = makeRef<QNS3ObjectRequest>();
    request->bucket = bucket;
    request->key = key;
    request->subResource = subResource;
    return request;
}

Ref<QNS3ObjectRequest> QNS3ObjectRequest::PUTRequestForData(const std::string& data, const std::string& bucket,
    const std::string& key)
{
    auto request = requestWithBucket(bucket, key);
    request->appendPostData(data);
    request->setRequestMethod("PUT");
    return request;
}

Ref<QNS3ObjectRequest> QNS3ObjectRequest::PUTRequestForFile(const std::string& path, const std::string& bucket,
    const std::string& key)
{
    auto request = requestWithBucket(bucket, key);
    request->setPostBodyFilePath(path);
    request->setShouldStreamPostDataFromDisk(true);
    request->setRequestMethod("PUT");
    request->setMimeType(mimeTypeForFileAtPath(path).value_or(""));
    return request;
}

Ref<QNS3ObjectRequest> QNS3ObjectRequest::DELETERequestWithBucket(const std::string& bucket, const std::string& key)
{
    auto request = requestWithBucket(bucket, key);
    request->setRequestMethod("DELETE");
    return request;
}

Ref<QNS3ObjectRequest> QNS3ObjectRequest::HEADRequestWithBucket(const std::string& bucket, const std::string& key)
{
    auto request = requestWithBucket(bucket, key);
    request->setRequestMethod("HEAD");
    return request;
}

Ref<QNS3ObjectRequest> QNS3ObjectRequest::COPYRequestFromBucket(const std::string& sourceBucket,
    const std::string& sourceKey, const std::string& toBucket, const std::string& key)
{
    auto request = requestWithBucket(toBucket, key);
    request->setRequestMethod("PUT");
    request->sourceBucket = sourceBucket;
    request->sourceKey = sourceKey;
    return request;
}

std::string QNS3ObjectRequest::mimeType() const
{
    if (!m_mimeType.empty())
        return m_mimeType;
    if (!postBodyFilePath().empty())
        if (auto type = mimeTypeForFileAtPath(postBodyFilePath()))
            return *type;
    return "application/octet-stream";
}

Ref<QNHTTPRequest> QNS3ObjectRequest::HEADRequest() const
{
    auto head = HEADRequestWithBucket(bucket, key);
    head->setAccessKey(accessKey());
    head->setSecretAccessKey(secretAccessKey());
    head->setRequestScheme(requestScheme());
    return head;
}

Ref<QNHTTPRequest> QNS3ObjectRequest::copy() const
{
    auto copy = makeRef<QNS3ObjectRequest>();
    copyS3SettingsInto(copy);
    copy->bucket = bucket;
    copy->key = key;
    copy->sourceBucket = sourceBucket;
    copy->sourceKey = sourceKey;
    copy->m_mimeType = mimeType();
    copy->subResource = subResource;
    copy->storageClass = storageClass;
    return copy;
}

Ref<NSDictionary> QNS3ObjectRequest::S3Headers() const
{
    auto headers = QNS3Request::S3Headers();
    if (!sourceKey.empty())
        headers->setObject(sourceBucket + stringByURLEncodingForS3Path(sourceKey), "x-amz-copy-source");
    if (!storageClass.empty())
        headers->setObject(storageClass, "x-amz-storage-class");
    return headers;
}

void QNS3ObjectRequest::buildURL()
{
    std::string address = requestScheme() + "://" + bucket + "." + S3Host() + stringByURLEncodingForS3Path(key);
    if (!subResource.empty())
        address += "?" + subResource;
    setURL(NSURL::URLWithString(address));
}

std::string QNS3ObjectRequest::canonicalizedResource() const
{
    std::string resource = "/" + bucket + stringByURLEncodingForS3Path(key);
    if (!subResource.empty())
        resource += "?" + subResource;
    return resource;
}

void QNS3ObjectRequest::buildRequestHeaders()
{
    // An upload sends its type, and the signature covers the type sent.
    if (isUpload())
        replaceRequestHeader("Content-Type", mimeType());
    QNS3Request::buildRequestHeaders();
}

bool QNS3ObjectRequest::shouldReadResponseXML() const
{
    // A stored object may itself be XML: only a failure's body is the
    // service's document.
    return responseStatusCode() >= 300;
}

} // namespace qv
