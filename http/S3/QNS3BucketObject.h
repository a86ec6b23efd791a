#pragma once

#include "platform/Foundation/NSDate.h"

#include <cstdint>
#include <string>

namespace qv {

class QNS3ObjectRequest;

// One object of a bucket listing; it can make the requests that act on
// itself.
class QNS3BucketObject : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3BucketObject> objectWithBucket(const std::string& bucket);

    std::string bucket;
    std::string key;
    RefPtr<NSDate> lastModified;
    std::string ETag;
    uint64_t size = 0;
    std::string ownerID;
    std::string ownerName;

    Ref<QNS3BucketObject> copy() const;
    Ref<QNS3ObjectRequest> GETRequest() const;
    Ref<QNS3ObjectRequest> PUTRequestWithFile(const std::string& path) const;
    Ref<QNS3ObjectRequest> DELETERequest() const;

    std::string description() const override;
    std::string className() const override { return "QNS3BucketObject"; }

private:
    QNS3BucketObject() = default;
};

} // namespace qv
