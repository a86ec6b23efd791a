#pragma once

#include "testing/ChildProcess.h"
#include "testing/TemporaryDirectory.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv::testing {

// A throwaway object store (OpenStack Swift, from Debian's packages) on free
// ports of 127.0.0.1, laid out in a temporary folder by
// testing/object-store.py. Its proxy serves the native API behind tempauth
// and the S3 API (signature version 2, virtual-host buckets under
// "s3.test": connect to 127.0.0.1 and send "Host: BUCKET.s3.test:PORT"; or
// under "localhost", whose subdomains libcurl takes to loopback by itself,
// so that "http://BUCKET.localhost:PORT/" works as it stands).
// Start-up is bounded; the store and every process it started stop when the
// object goes, and nothing outside its folder is written or read as
// configuration.
class ObjectStore {
public:
    static constexpr const char* user = "test:tester";     // X-Auth-User
    static constexpr const char* key = "testing";          // X-Auth-Key
    static constexpr const char* account = "AUTH_test";
    static constexpr const char* s3AccessKey = "test:tester";
    static constexpr const char* s3SecretKey = "testing";
    static constexpr const char* s3StorageDomain = "s3.test";
    static constexpr const char* s3LoopbackDomain = "localhost";

    // Records a test failure, with the servers' logs, when the store does
    // not start.
    ObjectStore();
    ~ObjectStore();
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    bool isRunning() const { return m_port != 0; }
    // The proxy's port; 0 when the store is not running.
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" followed by the path.
    std::string url(std::string_view path) const;
    // Where the native API logs in ("/auth/v1.0"), and the account's
    // storage address that a login answers.
    std::string authURL() const { return url("/auth/v1.0"); }
    std::string storageURL() const;
    // The Host header value of a bucket's virtual host, or of the S3
    // service itself for no bucket, under one of the two domains.
    std::string s3Host(std::string_view bucket = {}, std::string_view domain = s3StorageDomain) const;

    const std::filesystem::path& folder() const { return m_folder.path(); }
    // Everything the servers logged so far, for failure messages.
    std::string logs() const;

    // Stops the store now; answers whether it reported a clean stop.
    bool stop();

private:
    TemporaryDirectory m_folder;
    std::optional<ChildProcess> m_supervisor;
    int m_port = 0;
};

} // namespace qv::testing
