#include "URLLoading.h"

#include "DeviceRoot.h"
#include "FileAccess.h"
#include "FoundationTesting.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace qv {

namespace {

std::atomic<double> defaultTimeoutSeconds { 10 };

struct EasyHandleFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleFree>;

struct Body {
    std::string bytes;
    size_t limit;
};

// Stops the transfer (by taking less than offered) once the body would
// pass its limit: a server that says nothing of the length is held to it
// too.
size_t appendToBody(char* data, size_t size, size_t count, void* context)
{
    auto* body = static_cast<Body*>(context);
    const size_t length = size * count;
    if (length > body->limit - body->bytes.size())
        return 0;
    body->bytes.append(data, length);
    return length;
}

EasyHandle makeEasyHandle()
{
    // curl's global set-up is not safe to race; do it once.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return EasyHandle(curl_easy_init());
}

std::optional<std::string> loadOverNetwork(const NSURL& url, const URLLoadLimits& limits)
{
    EasyHandle handle = makeEasyHandle();
    if (!handle)
        return std::nullopt;
    Body body { {}, limits.maximumSize };
    const long timeout = static_cast<long>(limits.timeoutSeconds * 1000);
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.absoluteString().c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maximumRedirects);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maximumSize));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    // Timeouts without signals, so that a load is safe on any thread.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // The device connects directly; proxies named in this machine's
    // environment are not the device's.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendToBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl) != CURLE_OK)
        return std::nullopt;
    return std::move(body.bytes);
}

} // namespace

double defaultURLLoadTimeoutSeconds()
{
    return defaultTimeoutSeconds;
}

ScopedURLLoadTimeout::ScopedURLLoadTimeout(double seconds)
    : m_previous(defaultTimeoutSeconds.exchange(seconds))
{
}

ScopedURLLoadTimeout::~ScopedURLLoadTimeout()
{
    defaultTimeoutSeconds = m_previous;
}

std::optional<std::string> loadContentsOfURL(const NSURL& url, const URLLoadLimits& limits)
{
    if (url.isFileURL()) {
        // Only this device's files.
        if (!url.host().empty() && url.host() != "localhost")
            return std::nullopt;
        auto hostPath = DeviceRoot::resolve(url.path());
        if (!hostPath)
            return std::nullopt;
        return readHostFile(*hostPath, limits.maximumSize);
    }
    if (url.scheme() == "http" || url.scheme() == "https")
        return loadOverNetwork(url, limits);
    return std::nullopt;
}

} // namespace qv
