#include "http/S3/QNS3BucketObject.h"

#include "http/S3/QNS3ObjectRequest.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

Ref<QNS3BucketObject> QNS3BucketObject::objectWithBucket(const std::string& bucket)
{
    auto object = makeRef<QNS3BucketObject>();
    object->bucket = bucket;
    return object;
}

Ref<QNS3BucketObject> QNS3BucketObject::copy() const
{
    auto copy = makeRef<QNS3BucketObject>();
    copy->bucket = bucket;
    copy->key = key;
    copy->lastModified = lastModified;
    copy->ETag = ETag;
    copy->size = size;
    copy->ownerID = ownerID;
    copy->ownerName = ownerName;
    return copy;
}

Ref<QNS3ObjectRequest> QNS3BucketObject::GETRequest() const
{
    return QNS3ObjectRequest::requestWithBucket(bucket, key);
}

Ref<QNS3ObjectRequest> QNS3BucketObject::PUTRequestWithFile(const std::string& path) const
{
    return QNS3ObjectRequest::PUTRequestForFile(path, bucket, key);
}

Ref<QNS3ObjectRequest> QNS3BucketObject::DELETERequest() const
{
    auto request = QNS3ObjectRequest::requestWithBucket(bucket, key);
    request->setRequestMethod("DELETE");
    return request;
}

std::string QNS3BucketObject::description() const
{
    return stringWithFormat("Key: %s lastModified: %s ETag: %s size: %llu ownerID: %s ownerName: %s", key.c_str(),
        lastModified ? lastModified->description().c_str() : "(null)", ETag.c_str(), (unsigned long long)size,
        ownerID.c_str(), ownerName.c_str());
}

} // namespace qv
