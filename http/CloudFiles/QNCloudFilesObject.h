#pragma once

#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"

#include <cstdint>
#include <string>

namespace qv {

// One object of a container: from a listing, or fetched whole.
class QNCloudFilesObject : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesObject> object() { return makeRef<QNCloudFilesObject>(); }

    std::string name; // its path inside its container
    std::string hash; // the store's checksum, as written
    uint64_t bytes = 0;
    std::string contentType;
    RefPtr<NSDate> lastModified;
    std::string data;
    Ref<NSDictionary> metadata = NSDictionary::create(); // name to value

    std::string className() const override { return "QNCloudFilesObject"; }

private:
    QNCloudFilesObject() = default;
};

} // namespace qv
