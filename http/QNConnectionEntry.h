#pragma once

#include "platform/CFNetwork/CFHTTPReadStream.h"
#include "platform/Foundation/FoundationTypes.h"
#include "platform/core/Ref.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

// One reusable connection of the class-wide pool: the server it goes to,
// the request using it (none while idle), the stream last opened on it,
// and when it stops being reusable once idle.
struct QNConnectionEntry : public Object {
    int identifier = 0;
    std::string host;
    int port = 0; // the URL's port, 0 when it names none
    std::string scheme;
    std::optional<uint32_t> request;
    RefPtr<CFHTTPReadStream> stream;
    std::optional<NSTimeInterval> expires;
};

} // namespace qv
