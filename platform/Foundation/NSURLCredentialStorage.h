#pragma once

#include "platform/Foundation/NSObject.h"

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
    bool operator==(const NSURLProtectionSpace& other) const = default;
};

struct NSURLCredential {
    std::string user;
    std::string password;
};

// The device's store of saved credentials: one default credential per
// protection space, kept (as the device keeps them in its keychain) in a
// file of the device that only its owner may read, so that they outlive
// the process and every process of the device sees the same ones. Every
// call reads the file afresh; a change is written whole into a new file
// that then takes the old one's place, under a lock shared by the
// device's processes, so that no reader sees half a file and no writer's
// change is lost.
class NSURLCredentialStorage : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    // Device path of the file.
    static constexpr const char* keychainPath = "/var/Keychains/URLCredentials.plist";

    static NSURLCredentialStorage& sharedCredentialStorage();
    // False when the device's store cannot be written (nothing is changed).
    bool setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space);
    std::optional<NSURLCredential> defaultCredentialForProtectionSpace(const NSURLProtectionSpace& space) const;
    bool removeCredential(const NSURLProtectionSpace& space);
    std::string className() const override { return "NSURLCredentialStorage"; }

private:
    NSURLCredentialStorage() = default;
    // Within the process; the file lock keeps other processes out.
    mutable std::mutex m_lock;
};

} // namespace qv
