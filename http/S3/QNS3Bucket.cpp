#include "http/S3/QNS3Bucket.h"

namespace qv {

Ref<QNS3Bucket> QNS3Bucket::bucketWithOwnerID(const std::string& ownerID, const std::string& ownerName)
{
    auto bucket = makeRef<QNS3Bucket>();
    bucket->ownerID = ownerID;
    bucket->ownerName = ownerName;
    return bucket;
}

std::string QNS3Bucket::description() const
{
    return "Name: " + name + " creationDate: " + (creationDate ? creationDate->description() : "(null)") + " ownerID: "
        + ownerID + " ownerName: " + ownerName;
}

} // namespace qv
