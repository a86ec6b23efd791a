#include "NSError.h"

#include "NSDictionary.h"
#include "NSString.h"

namespace qv {

NSError::NSError(std::string domain, NSInteger code, Ref<NSDictionary> userInfo)
    : m_domain(std::move(domain))
    , m_code(code)
    , m_userInfo(std::move(userInfo))
{
}

Ref<NSError> NSError::errorWithDomain(std::string domain, NSInteger code, const RefPtr<NSDictionary>& userInfo)
{
    return makeRef<NSError>(std::move(domain), code, userInfo ? userInfo->mutableCopy() : NSDictionary::create());
}

Ref<NSError> NSError::create(std::string domain, NSInteger code, const std::string& localizedDescription, const RefPtr<NSError>& underlyingError)
{
    auto userInfo = NSDictionary::create({ { NSLocalizedDescriptionKey, localizedDescription } });
    if (underlyingError)
        userInfo->setObject(underlyingError.toRef(), NSUnderlyingErrorKey);
    return makeRef<NSError>(std::move(domain), code, std::move(userInfo));
}

Ref<NSDictionary> NSError::userInfo() const
{
    return m_userInfo->mutableCopy();
}

std::string NSError::localizedDescription() const
{
    if (auto description = m_userInfo->stringForKey(NSLocalizedDescriptionKey))
        return description->string();
    return stringWithFormat("The operation couldn\u2019t be completed. (%@ error %ld.)", m_domain, m_code);
}

std::string NSError::localizedFailureReason() const
{
    auto reason = m_userInfo->stringForKey(NSLocalizedFailureReasonKey);
    return reason ? reason->string() : std::string();
}

RefPtr<NSError> NSError::underlyingError() const
{
    return m_userInfo->objectForKey<NSError>(NSUnderlyingErrorKey);
}

std::string NSError::description() const
{
    return stringWithFormat("Error Domain=%@ Code=%ld \"%@\" UserInfo=%@", m_domain, m_code, localizedDescription(), m_userInfo);
}

} // namespace qv
