#include "LoopbackCertificate.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

namespace qv::testing {

bool makeLoopbackCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key)
{
    auto made = runProcess({ "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key.string(), "-out", certificate.string(),
        "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1" });
    if (made.exitCode != 0) {
        ADD_FAILURE() << "no test certificate: " << made.errors;
        return false;
    }
    return true;
}

} // namespace qv::testing
