#pragma once

#include "platform/Foundation/NSObject.h"

#include <cstdint>
#include <string>

namespace qv {

// One container of an account or CDN listing.
class QNCloudFilesContainer : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesContainer> container() { return makeRef<QNCloudFilesContainer>(); }

    std::string name;
    uint64_t count = 0; // objects in it
    uint64_t bytes = 0; // bytes stored
    bool cdnEnabled = false;
    uint64_t ttl = 0; // CDN time to live, seconds
    std::string cdnURL;
    bool logRetention = false;
    std::string referrerACL;
    std::string useragentACL;

    std::string className() const override { return "QNCloudFilesContainer"; }

private:
    QNCloudFilesContainer() = default;
};

} // namespace qv
