#pragma once

#include "platform/Foundation/NSDate.h"

#include <string>

namespace qv {

// One bucket of a service listing.
class QNS3Bucket : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3Bucket> bucketWithOwnerID(const std::string& ownerID, const std::string& ownerName);

    std::string name;
    RefPtr<NSDate> creationDate;
    std::string ownerID;
    std::string ownerName;

    std::string description() const override;
    std::string className() const override { return "QNS3Bucket"; }

private:
    QNS3Bucket() = default;
};

} // namespace qv
