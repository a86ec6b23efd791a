#pragma once

#include "platform/Foundation/NSObject.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace qv {

// Where credentials apply: a server (host, port, protocol) or a proxy
// (host, port), with a realm.
struct NSURLProtectionSpace {
    std::string host;
    int port = 0;
    std::string protocol; // "http", "https"; empty for a proxy
    std::string realm;
    bool isProxy = false;
    bool operator<(const NSURLProtectionSpace& other) const;
};

struct NSURLCredential {
    std::string user;
    std::string password;
};

// The process's store of saved credentials: one default credential per
// protection space.
class NSURLCredentialStorage : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static NSURLCredentialStorage& sharedCredentialStorage();
    void setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space);
    std::optional<NSURLCredential> defaultCredentialForProtectionSpace(const NSURLProtectionSpace& space) const;
    void removeCredential(const NSURLProtectionSpace& space);
    std::string className() const override { return "NSURLCredentialStorage"; }

private:
    NSURLCredentialStorage() = default;
    mutable std::mutex m_lock;
    std::map<NSURLProtectionSpace, NSURLCredential> m_credentials;
};

} // namespace qv
