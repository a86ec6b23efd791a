#pragma once

#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// A client identity for TLS: a certificate with its private key, as PEM.
class SecIdentity : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<SecIdentity> create(std::string certificatePEM, std::string privateKeyPEM)
    {
        return makeRef<SecIdentity>(std::move(certificatePEM), std::move(privateKeyPEM));
    }
    const std::string& certificatePEM() const { return m_certificate; }
    const std::string& privateKeyPEM() const { return m_key; }
    std::string className() const override { return "SecIdentity"; }

private:
    SecIdentity(std::string certificate, std::string key) : m_certificate(std::move(certificate)), m_key(std::move(key)) {}
    const std::string m_certificate;
    const std::string m_key;
};

} // namespace qv
