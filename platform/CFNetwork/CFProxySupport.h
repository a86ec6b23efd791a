#pragma once

#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSURL.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

inline constexpr const char* kCFProxyTypeNone = "kCFProxyTypeNone";
inline constexpr const char* kCFProxyTypeHTTP = "kCFProxyTypeHTTP";
inline constexpr const char* kCFProxyTypeHTTPS = "kCFProxyTypeHTTPS";
inline constexpr const char* kCFProxyTypeSOCKS = "kCFProxyTypeSOCKS";
inline constexpr const char* kCFProxyTypeAutoConfigurationURL = "kCFProxyTypeAutoConfigurationURL";

// One way to reach a URL: directly, through a proxy, or as a proxy
// auto-configuration script says.
struct CFProxy {
    std::string type;
    std::string host;
    int port = 0;
    RefPtr<NSURL> autoConfigurationURL;
};

// The user's proxy settings: from the environment variables "http_proxy",
// "https_proxy", "all_proxy" and "no_proxy" (either case), and
// "auto_proxy" for the address of a configuration script.
struct CFProxySettings {
    std::string httpProxy, httpsProxy, allProxy, noProxy, autoConfigurationURL;
};
CFProxySettings CFNetworkCopySystemProxySettings();

// The proxies to try for the URL, in order; never empty.
std::vector<CFProxy> CFNetworkCopyProxiesForURL(const NSURL& url, const CFProxySettings& settings);

// Evaluates a configuration script for the URL: its answer as proxies, or
// nothing with the error when the script fails, loops or takes longer than
// the time given. Scripts are evaluated one at a time.
std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForAutoConfigurationScript(const std::string& script, const NSURL& url,
    double timeoutSeconds, RefPtr<NSError>* error = nullptr);

} // namespace qv
