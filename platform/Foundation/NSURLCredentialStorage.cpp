#include "NSURLCredentialStorage.h"

#include <tuple>

namespace qv {

bool NSURLProtectionSpace::operator<(const NSURLProtectionSpace& other) const
{
    return std::tie(host, port, protocol, realm, isProxy) < std::tie(other.host, other.port, other.protocol, other.realm, other.isProxy);
}

NSURLCredentialStorage& NSURLCredentialStorage::sharedCredentialStorage()
{
    // Lives as long as the process.
    static NSURLCredentialStorage& storage = *makeRef<NSURLCredentialStorage>().leak();
    return storage;
}

void NSURLCredentialStorage::setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    m_credentials[space] = credential;
}

std::optional<NSURLCredential> NSURLCredentialStorage::defaultCredentialForProtectionSpace(const NSURLProtectionSpace& space) const
{
    std::lock_guard lock(m_lock);
    auto found = m_credentials.find(space);
    if (found == m_credentials.end())
        return std::nullopt;
    return found->second;
}

void NSURLCredentialStorage::removeCredential(const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    m_credentials.erase(space);
}

} // namespace qv
