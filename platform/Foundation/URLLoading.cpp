#include "URLLoading.h"

#include "DeviceRoot.h"
#include "FileAccess.h"
#include "FoundationTesting.h"

#include "platform/CFNetwork/Transport/HTTPTransfer.h"

#include <strings.h>

#include <chrono>
#include <condition_variable>

#include <atomic>
#include <memory>
#include <mutex>

namespace qv {

namespace {

std::atomic<double> defaultTimeoutSeconds { 10 };

// One exchange seen from the loading thread: the transport's events wake
// it, and it reads the answer as it comes.
class Exchange {
public:
    explicit Exchange(const NSURL& url)
        : m_transfer(HTTPTransfer::start(requestFor(url), [this](HTTPTransfer::Event event) { changed(event); }))
    {
    }
    ~Exchange() { m_transfer->cancel(); }

    // Waits until something happened or the deadline passed; false then.
    bool wait(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(m_lock);
        if (!m_wake.wait_until(lock, deadline, [this] { return m_changed; }))
            return false;
        m_changed = false;
        return true;
    }
    bool ended()
    {
        std::lock_guard lock(m_lock);
        return m_ended;
    }
    HTTPTransfer& transfer() { return m_transfer; }

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_changed = false;
    bool m_ended = false;
    Ref<HTTPTransfer> m_transfer;

    static HTTPTransferRequest requestFor(const NSURL& url)
    {
        // The device connects directly: no proxy named in this machine's
        // environment is the device's. The transport follows no redirect.
        HTTPTransferRequest request;
        request.url = url.absoluteString();
        return request;
    }
    void changed(HTTPTransfer::Event event)
    {
        std::lock_guard lock(m_lock);
        if (event == HTTPTransfer::Event::End || event == HTTPTransfer::Event::Error)
            m_ended = true;
        m_changed = true;
        m_wake.notify_all();
    }
};

std::optional<std::string> headerValue(const HTTPTransfer::ResponseHead& head, std::string_view name)
{
    for (const auto& [field, value] : head.headers)
        if (strcasecmp(field.c_str(), std::string(name).c_str()) == 0)
            return value;
    return std::nullopt;
}

struct Answer {
    std::optional<HTTPTransfer::ResponseHead> head;
    std::string body;
};

// The answer at one URL, without following a redirect; nothing on a
// failure, past the deadline or past the size.
std::optional<Answer> fetch(const NSURL& url, const URLLoadLimits& limits, std::chrono::steady_clock::time_point deadline)
{
    Exchange exchange(url);
    Answer answer;
    char buffer[65536];
    for (;;) {
        if (!answer.head)
            answer.head = exchange.transfer().responseHead();
        // A redirect's or an error's body is of no interest.
        if (answer.head && answer.head->statusCode >= 300)
            return answer;
        while (size_t count = exchange.transfer().read(buffer, sizeof buffer)) {
            if (count > limits.maximumSize - answer.body.size())
                return std::nullopt;
            answer.body.append(buffer, count);
        }
        if (exchange.transfer().error())
            return std::nullopt;
        if (exchange.transfer().atEnd())
            return answer;
        if (!exchange.wait(deadline))
            return std::nullopt;
    }
}

std::optional<std::string> loadOverNetwork(const NSURL& url, const URLLoadLimits& limits)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(limits.timeoutSeconds * 1000));
    RefPtr<NSURL> current = const_cast<NSURL*>(&url);
    for (long redirects = 0;; ++redirects) {
        auto answer = fetch(*current, limits, deadline);
        if (!answer || !answer->head)
            return std::nullopt;
        const int status = answer->head->statusCode;
        if (status >= 300 && status < 400) {
            auto location = headerValue(*answer->head, "Location");
            if (!location || redirects >= limits.maximumRedirects)
                return std::nullopt;
            current = NSURL::URLWithString(*location, current.get());
            if (!current || (current->scheme() != "http" && current->scheme() != "https"))
                return std::nullopt;
            continue;
        }
        if (status >= 400)
            return std::nullopt;
        return std::move(answer->body);
    }
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
