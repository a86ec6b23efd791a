#pragma once

#include <filesystem>

namespace qv::testing {

// Writes a self-signed certificate for 127.0.0.1 and its key (PEM), made
// with openssl, for servers on loopback; false when it could not be made
// (a failure is recorded).
bool makeLoopbackCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key);

} // namespace qv::testing
