#include "platform/CFNetwork/CFProxySupport.h"

#include "testing/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace qv;
using qv::testing::ScopedEnvironment;

TEST(CFProxySupportTest, SettingsFromTheEnvironment)
{
    ScopedEnvironment http("http_proxy", "http://127.0.0.1:3128");
    ScopedEnvironment https("HTTPS_PROXY", "127.0.0.1:3129");
    ScopedEnvironment all("all_proxy", "socks5://127.0.0.1:1080");
    ScopedEnvironment none("no_proxy", "localhost, .internal.example");
    ScopedEnvironment automatic("auto_proxy", std::nullopt);
    const auto settings = CFNetworkCopySystemProxySettings();
    struct Case {
        const char* url;
        const char* type;
        int port;
    };
    const Case cases[] = {
        { "http://example.org/", kCFProxyTypeHTTP, 3128 },
        { "https://example.org/", kCFProxyTypeHTTPS, 3129 },
        { "http://localhost/", kCFProxyTypeNone, 0 },
        { "http://a.internal.example/", kCFProxyTypeNone, 0 },
        { "http://notinternal.example/", kCFProxyTypeHTTP, 3128 },
    };
    for (const Case& c : cases) {
        auto proxies = CFNetworkCopyProxiesForURL(*NSURL::URLWithString(c.url), settings);
        ASSERT_FALSE(proxies.empty()) << c.url;
        EXPECT_EQ(proxies.front().type, c.type) << c.url;
        EXPECT_EQ(proxies.front().port, c.port) << c.url;
    }
    ScopedEnvironment noHTTP("http_proxy", std::nullopt);
    auto socks = CFNetworkCopyProxiesForURL(*NSURL::URLWithString("http://example.org/"), CFNetworkCopySystemProxySettings());
    EXPECT_EQ(socks.front().type, kCFProxyTypeSOCKS);
    EXPECT_EQ(socks.front().port, 1080);

    ScopedEnvironment script("auto_proxy", "http://127.0.0.1:9/proxy.pac");
    auto automaticProxies = CFNetworkCopyProxiesForURL(*NSURL::URLWithString("http://example.org/"), CFNetworkCopySystemProxySettings());
    EXPECT_EQ(automaticProxies.front().type, kCFProxyTypeAutoConfigurationURL);
    EXPECT_EQ(automaticProxies.front().autoConfigurationURL->absoluteString(), "http://127.0.0.1:9/proxy.pac");
}

TEST(CFProxySupportTest, ScriptsPickEachKindAndAreBoundedInTime)
{
    const std::string script = R"JS(
function FindProxyForURL(url, host) {
    if (shExpMatch(host, "*.direct.test")) return "DIRECT";
    if (shExpMatch(url, "https:*")) return "PROXY 127.0.0.1:3128; DIRECT";
    if (host == "socks.test") return "SOCKS 127.0.0.1:1080";
    return "PROXY 127.0.0.1:8888";
})JS";
    struct Case {
        const char* url;
        const char* type;
        int port;
    };
    const Case cases[] = {
        { "http://www.direct.test/", kCFProxyTypeNone, 0 },
        { "https://secure.test/", kCFProxyTypeHTTP, 3128 },
        { "http://socks.test/", kCFProxyTypeSOCKS, 1080 },
        { "http://other.test/", kCFProxyTypeHTTP, 8888 },
    };
    for (const Case& c : cases) {
        RefPtr<NSError> error;
        auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(script, *NSURL::URLWithString(c.url), 10, &error);
        ASSERT_TRUE(proxies) << c.url << " " << (error ? error->localizedDescription() : "");
        EXPECT_EQ(proxies->front().type, c.type) << c.url;
        EXPECT_EQ(proxies->front().port, c.port) << c.url;
    }

    // A script that does not parse, throws, or loops: an error, within the
    // time given.
    for (const char* bad : { "this is no script", "function FindProxyForURL(url, host) { throw 'no'; }",
             "function FindProxyForURL(url, host) { for (;;) {} }" }) {
        RefPtr<NSError> error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(CFNetworkCopyProxiesForAutoConfigurationScript(bad, *NSURL::URLWithString("http://a.test/"), 1, &error)) << bad;
        EXPECT_TRUE(error) << bad;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "bounded";
    }

    // An empty script (an empty file) names no proxy, and says so as soon
    // as it has been evaluated: the evaluator is not left waiting for more
    // of it until the time given runs out.
    RefPtr<NSError> error;
    EXPECT_FALSE(CFNetworkCopyProxiesForAutoConfigurationScript("", *NSURL::URLWithString("http://a.test/"), 30, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "The proxy script failed");
}
