#include "HTTPTransfer.h"

#include "HTTPTransport.h"
#include "HTTPTransportTesting.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace qv {

namespace {

std::string trimmed(std::string_view text)
{
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// The URL without the "user:password@" of its authority: curl would send
// it as Basic credentials to whoever answers, before anyone asked.
std::string urlWithoutUserInformation(const std::string& url)
{
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        return url;
    const auto authorityStart = schemeEnd + 3;
    const auto authorityEnd = std::min(url.find_first_of("/?#", authorityStart), url.size());
    const auto at = std::string_view(url).substr(authorityStart, authorityEnd - authorityStart).rfind('@');
    if (at == std::string_view::npos)
        return url;
    return url.substr(0, authorityStart) + url.substr(authorityStart + at + 1);
}

// Whether the head's Content-Length fields, if any, give one length: each
// value a list of decimal numbers, all the same. Anything else leaves the
// body's end unknown, and no length taken from it can be trusted.
bool hasOneValidBodyLength(const HTTPResponseHead& head)
{
    std::optional<uint64_t> length;
    for (const auto& [name, value] : head.headers) {
        if (!equalIgnoringCase(name, "Content-Length"))
            continue;
        std::string_view rest = value;
        for (;;) {
            const auto comma = rest.find(',');
            const std::string number = trimmed(rest.substr(0, comma));
            uint64_t parsed = 0;
            const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), parsed);
            if (number.empty() || failure != std::errc() || end != number.data() + number.size() || (length && *length != parsed))
                return false;
            length = parsed;
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    return true;
}

bool hasHeader(const HTTPTransferRequest& request, std::string_view name)
{
    return std::any_of(request.headers.begin(), request.headers.end(), [&](const auto& field) { return equalIgnoringCase(field.first, name); });
}

// This machine's errno in the device's numbering, for the codes a
// connection reports and the library looks at.
long deviceErrno(long osErrno)
{
    switch (osErrno) {
    case ECONNREFUSED: return 61;
    case ECONNRESET: return 54;
    case ENOTCONN: return 57;
    case ETIMEDOUT: return 60;
    case EHOSTUNREACH: return 65;
    case ENETUNREACH: return 51;
    case ECONNABORTED: return 53;
    case EADDRNOTAVAIL: return 49;
    default: return osErrno;
    }
}

HTTPTransferError mapError(CURLcode code, long osErrno, bool receivedAnything)
{
    const std::string message = curl_easy_strerror(code);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return { TransferCFNetworkErrorDomain, TransferHostNotFoundError, message };
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return { TransferOSStatusErrorDomain, TransferCertificateChainInvalidError, message };
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        return { TransferOSStatusErrorDomain, TransferSecureConnectionFailedError, message };
    case CURLE_OPERATION_TIMEDOUT:
        return { TransferPOSIXErrorDomain, 60, message };
    case CURLE_SEND_ERROR:
        return { TransferPOSIXErrorDomain, osErrno ? deviceErrno(osErrno) : 32, message };
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return { TransferCFNetworkErrorDomain, TransferConnectionLostError, message };
    case CURLE_RECV_ERROR:
        if (osErrno)
            return { TransferPOSIXErrorDomain, deviceErrno(osErrno), message };
        return { TransferCFNetworkErrorDomain, TransferConnectionLostError, message };
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return { TransferCFNetworkErrorDomain, TransferHTTPParseFailureError, message };
    case CURLE_COULDNT_CONNECT:
        return { TransferPOSIXErrorDomain, osErrno ? deviceErrno(osErrno) : 61, message };
    default:
        if (!receivedAnything && osErrno)
            return { TransferPOSIXErrorDomain, deviceErrno(osErrno), message };
        return { TransferPOSIXErrorDomain, EIO, message };
    }
}

std::mutex resolverLock;
std::function<std::optional<std::string>(const std::string&)>& testResolver()
{
    static std::function<std::optional<std::string>(const std::string&)> resolver;
    return resolver;
}

bool isAddressLiteral(const std::string& host)
{
    return host.find_first_not_of("0123456789.") == std::string::npos || host.find(':') != std::string::npos || host.front() == '[';
}

// The test resolver's answer for the URL's host: curl is told the address,
// or the transfer fails as for a name that does not resolve.
CURLcode applyTestResolver(CURL* easy, const std::string& url, curl_slist** resolved)
{
    std::function<std::optional<std::string>(const std::string&)> resolver;
    {
        std::lock_guard lock(resolverLock);
        resolver = testResolver();
    }
    if (!resolver)
        return CURLE_OK;
    CURLU* parsed = curl_url();
    char* host = nullptr;
    char* port = nullptr;
    CURLcode result = CURLE_OK;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK && curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK
        && curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK && !isAddressLiteral(host)) {
        if (auto address = resolver(host)) {
            *resolved = curl_slist_append(*resolved, (std::string(host) + ":" + port + ":" + *address).c_str());
            curl_easy_setopt(easy, CURLOPT_RESOLVE, *resolved);
        } else {
            result = CURLE_COULDNT_RESOLVE_HOST;
        }
    }
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return result;
}

} // namespace

void setHostResolverForTesting(std::function<std::optional<std::string>(const std::string& host)> resolver)
{
    std::lock_guard lock(resolverLock);
    testResolver() = std::move(resolver);
}

HTTPTransfer::HTTPTransfer(HTTPTransferRequest request, EventHandler handler, HTTPTransport& transport)
    : m_request(std::move(request))
    , m_transport(transport)
    , m_handler(std::move(handler))
{
}

HTTPTransfer::~HTTPTransfer() = default;

Ref<HTTPTransfer> HTTPTransfer::start(HTTPTransferRequest request, EventHandler handler)
{
    auto transfer = create(std::move(request), std::move(handler), HTTPTransport::shared());
    transfer->start();
    return transfer;
}

Ref<HTTPTransfer> HTTPTransfer::create(HTTPTransferRequest request, EventHandler handler, HTTPTransport& transport)
{
    return makeRef<HTTPTransfer>(std::move(request), std::move(handler), transport);
}

void HTTPTransfer::start()
{
    m_transport->add(*this);
}

int HTTPTransfer::configure(void* handle)
{
    CURL* easy = static_cast<CURL*>(handle);
    m_easy = easy;
    const auto& request = m_request;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    const std::string url = urlWithoutUserInformation(request.url);
    if (curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) != CURLE_OK)
        return CURLE_URL_MALFORMAT;
    curl_slist* resolved = nullptr;
    const CURLcode resolution = applyTestResolver(easy, url, &resolved);
    m_resolveList = resolved;
    if (resolution != CURLE_OK)
        return resolution;
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Large reads: fewer hand-overs per megabyte.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L << 10);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, request.useHTTPVersionOne ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMilliseconds);
    // The proxy is the client's choice alone: none means none, whatever
    // this machine's environment says.
    curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.c_str());
    if (!request.proxyUserPassword.empty())
        curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, request.proxyUserPassword.c_str());
    if (!request.proxyNTLMUser.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_NTLM);
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyNTLMUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyNTLMPassword.c_str());
    }
    // The proxy's answers to a CONNECT come to takeHeaderLine, which keeps
    // a refusal (a 407 asking for credentials) as the response.
    m_settingUpTunnel = request.goesThroughHTTPTunnel();
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, m_settingUpTunnel ? 0L : 1L);
    if (!request.attemptPersistentConnection) {
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, request.validatesCertificateChain ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, request.validatesCertificateChain ? 2L : 0L);
    if (!request.trustedAnchorsPEM.empty()) {
        curl_blob anchors { const_cast<char*>(request.trustedAnchorsPEM.data()), request.trustedAnchorsPEM.size(), CURL_BLOB_COPY };
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &anchors);
    }
    if (!request.clientCertificatePEM.empty()) {
        curl_blob certificate { const_cast<char*>(request.clientCertificatePEM.data()), request.clientCertificatePEM.size(), CURL_BLOB_COPY };
        curl_blob key { const_cast<char*>(request.clientKeyPEM.data()), request.clientKeyPEM.size(), CURL_BLOB_COPY };
        curl_easy_setopt(easy, CURLOPT_SSLCERTTYPE, "PEM");
        curl_easy_setopt(easy, CURLOPT_SSLCERT_BLOB, &certificate);
        curl_easy_setopt(easy, CURLOPT_SSLKEYTYPE, "PEM");
        curl_easy_setopt(easy, CURLOPT_SSLKEY_BLOB, &key);
    }

    std::optional<uint64_t> bodyLength = request.bodyLength;
    curl_slist* headers = nullptr;
    curl_slist* proxyHeaders = nullptr;
    const bool tunnelled = !request.proxy.empty() && request.url.rfind("https:", 0) == 0;
    for (const auto& [name, value] : request.headers) {
        // Proxy credentials go to the proxy alone: in the CONNECT of a
        // tunnel, with a plain proxied request, and nowhere without a proxy.
        if (equalIgnoringCase(name, "Proxy-Authorization")) {
            if (request.proxy.empty())
                continue;
            if (tunnelled) {
                proxyHeaders = curl_slist_append(proxyHeaders, (name + ": " + value).c_str());
                continue;
            }
        }
        // The body's framing is the transport's, from the body it sends.
        if (equalIgnoringCase(name, "Content-Length")) {
            if (!bodyLength && request.bodyReader) {
                char* end = nullptr;
                unsigned long long length = std::strtoull(value.c_str(), &end, 10);
                if (end && *end == '\0' && !value.empty())
                    bodyLength = length;
            }
            continue;
        }
        if (equalIgnoringCase(name, "Transfer-Encoding"))
            continue;
        // curl's form for a field with an empty value is "Name;".
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        headers = curl_slist_append(headers, line.c_str());
    }
    // Only what the client asked for: curl's own defaults go.
    for (const char* name : { "Accept", "Expect", "Content-Type" })
        if (!hasHeader(request, name))
            headers = curl_slist_append(headers, (std::string(name) + ":").c_str());
    m_headerList = headers;
    m_proxyHeaderList = proxyHeaders;
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
    if (proxyHeaders)
        curl_easy_setopt(easy, CURLOPT_PROXYHEADER, proxyHeaders);

    const bool hasBody = static_cast<bool>(request.bodyReader);
    if (request.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (hasBody || request.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, hasBody ? (bodyLength ? static_cast<curl_off_t>(*bodyLength) : -1) : 0);
        if (hasBody) {
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, +[](char* buffer, size_t size, size_t count, void* context) -> size_t {
                return static_cast<size_t>(static_cast<HTTPTransfer*>(context)->giveBody(buffer, size * count));
            });
            curl_easy_setopt(easy, CURLOPT_READDATA, this);
        }
        if (request.method != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    } else if (request.method != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, +[](char* data, size_t size, size_t count, void* context) {
        return static_cast<HTTPTransfer*>(context)->takeHeaderLine(data, size * count);
    });
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* context) {
        return static_cast<HTTPTransfer*>(context)->takeBody(data, size * count);
    });
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    return CURLE_OK;
}

size_t HTTPTransfer::takeHeaderLine(const char* data, size_t length)
{
    std::string_view line(data, length);
    bool completed = false;
    {
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return 0;
        if (m_headComplete)
            return length; // trailer fields of a chunked body
        // A head without end is refused, not kept in memory.
        m_headBytes += length;
        if (m_headBytes > headLimit) {
            m_headTooLarge = true;
            return 0;
        }
        if (line.rfind("HTTP/", 0) == 0) {
            m_head = {};
            m_head.statusLine = trimmed(line);
            const auto space = m_head.statusLine.find(' ');
            m_head.httpVersion = m_head.statusLine.substr(0, space);
            if (space != std::string::npos)
                m_head.statusCode = std::atoi(m_head.statusLine.c_str() + space + 1);
            long newConnections = 0;
            curl_easy_getinfo(static_cast<CURL*>(m_easy), CURLINFO_NUM_CONNECTS, &newConnections);
            m_reusedConnection = newConnections == 0;
            // A kept-alive tunnel is open already: no CONNECT answers come.
            m_settingUpTunnel = m_settingUpTunnel && newConnections != 0;
            m_tunnelRefused = false;
        } else if (trimmed(line).empty() && m_settingUpTunnel) {
            // The proxy's answer to the CONNECT: the server's follow once it
            // opened the tunnel; a refusal stays, and curl gives up or asks
            // again (its own NTLM login).
            if (m_head.statusCode >= 200 && m_head.statusCode < 300)
                m_settingUpTunnel = false;
            else
                m_tunnelRefused = m_head.statusCode >= 300;
        } else if (trimmed(line).empty()) {
            // An interim answer (100 Continue) is followed by the real one.
            if (m_head.statusCode >= 200) {
                if (!hasOneValidBodyLength(m_head)) {
                    m_badBodyLength = true;
                    return 0;
                }
                completed = m_headComplete = true;
            }
        } else if ((line.front() == ' ' || line.front() == '\t') && !m_head.headers.empty()) {
            m_head.headers.back().second += " " + trimmed(line);
        } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
            m_head.headers.emplace_back(std::string(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
        }
    }
    if (completed) {
        // Read outside the lock: only this thread writes the head. The
        // client's word on the connection, before curl keeps it at the end:
        // a connection that may wait no time at all for the next transfer
        // is not kept either.
        if (m_request.connectionReuseWindow) {
            m_reuseWindow = m_request.connectionReuseWindow(m_head);
            if (!m_reuseWindow || !(*m_reuseWindow > 0))
                curl_easy_setopt(static_cast<CURL*>(m_easy), CURLOPT_FORBID_REUSE, 1L);
        }
        notify(Event::HeadComplete);
    }
    return length;
}

size_t HTTPTransfer::takeBody(const char* data, size_t length)
{
    {
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return 0;
        if (m_pausedByClient || m_buffered >= bufferLimit) {
            m_pausedForSpace = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        std::string chunk;
        if (!m_spareChunks.empty()) {
            chunk = std::move(m_spareChunks.back());
            m_spareChunks.pop_back();
        }
        chunk.assign(data, length);
        m_body.push_back(std::move(chunk));
        m_buffered += length;
    }
    notify(Event::BytesAvailable);
    return length;
}

long HTTPTransfer::giveBody(char* buffer, size_t capacity)
{
    {
        // Paused by the client, the transfer sends nothing either.
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return CURL_READFUNC_ABORT;
        if (m_pausedByClient) {
            m_pausedForSpace = true;
            return CURL_READFUNC_PAUSE;
        }
    }
    const long count = m_request.bodyReader(buffer, capacity);
    if (count < 0)
        return CURL_READFUNC_ABORT;
    m_bytesWritten += static_cast<uint64_t>(count);
    return count;
}

void HTTPTransfer::finish(int curlCode, long osErrno, bool receivedAnything)
{
    bool failed = false;
    {
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return;
        m_finished = true;
        // The proxy refused the tunnel: its answer is the response, without
        // its body, which curl has passed over.
        if (curlCode != CURLE_OK && m_tunnelRefused && !m_headTooLarge && !m_badBodyLength) {
            m_headComplete = true;
            curlCode = CURLE_OK;
        }
        if (m_headTooLarge)
            m_error = HTTPTransferError { TransferCFNetworkErrorDomain, TransferHTTPParseFailureError, "the response head is too large" };
        else if (m_badBodyLength)
            m_error = HTTPTransferError { TransferCFNetworkErrorDomain, TransferHTTPParseFailureError, "the response's Content-Length is invalid or conflicting" };
        else if (curlCode != CURLE_OK)
            m_error = mapError(static_cast<CURLcode>(curlCode), osErrno, receivedAnything);
        else if (!m_headComplete)
            m_error = HTTPTransferError { TransferCFNetworkErrorDomain, TransferHTTPParseFailureError, "no response head" };
        failed = m_error.has_value();
    }
    notify(failed ? Event::Error : Event::End);
}

std::optional<HTTPTransfer::ResponseHead> HTTPTransfer::responseHead() const
{
    std::lock_guard lock(m_lock);
    if (!m_headComplete)
        return std::nullopt;
    return m_head;
}

size_t HTTPTransfer::read(char* buffer, size_t capacity)
{
    size_t count = 0;
    bool resume = false;
    {
        std::lock_guard lock(m_lock);
        while (count < capacity && !m_body.empty()) {
            const std::string& chunk = m_body.front();
            const size_t take = std::min(capacity - count, chunk.size() - m_bodyOffset);
            std::memcpy(buffer + count, chunk.data() + m_bodyOffset, take);
            count += take;
            m_bodyOffset += take;
            if (m_bodyOffset == chunk.size()) {
                if (m_spareChunks.size() < spareChunkLimit)
                    m_spareChunks.push_back(std::move(m_body.front()));
                m_body.pop_front();
                m_bodyOffset = 0;
            }
        }
        m_buffered -= count;
        if (m_pausedForSpace && !m_pausedByClient && m_buffered < bufferLimit / 2) {
            m_pausedForSpace = false;
            resume = true;
        }
    }
    if (resume)
        m_transport->resume(*this);
    return count;
}

bool HTTPTransfer::hasBytesAvailable() const
{
    std::lock_guard lock(m_lock);
    return m_buffered > 0;
}

bool HTTPTransfer::atEnd() const
{
    std::lock_guard lock(m_lock);
    return m_finished && !m_error && m_buffered == 0;
}

std::optional<HTTPTransferError> HTTPTransfer::error() const
{
    std::lock_guard lock(m_lock);
    return m_error;
}

void HTTPTransfer::setPaused(bool paused)
{
    bool resume = false;
    {
        std::lock_guard lock(m_lock);
        m_pausedByClient = paused;
        if (!paused && m_pausedForSpace && m_buffered < bufferLimit) {
            m_pausedForSpace = false;
            resume = true;
        }
    }
    if (resume)
        m_transport->resume(*this);
}

void HTTPTransfer::freeLists()
{
    curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
    curl_slist_free_all(static_cast<curl_slist*>(m_resolveList));
    curl_slist_free_all(static_cast<curl_slist*>(m_proxyHeaderList));
    m_proxyHeaderList = nullptr;
    m_headerList = nullptr;
    m_resolveList = nullptr;
}

bool HTTPTransfer::wantsResume()
{
    std::lock_guard lock(m_lock);
    return !m_cancelled && !m_pausedForSpace;
}

bool HTTPTransfer::isCancelled() const
{
    std::lock_guard lock(m_lock);
    return m_cancelled;
}

void HTTPTransfer::abandon()
{
    std::lock_guard lock(m_lock);
    if (m_finished)
        return;
    m_finished = true;
    m_error = HTTPTransferError { TransferCFNetworkErrorDomain, TransferConnectionLostError, "the thread of the connection has ended" };
}

void HTTPTransfer::cancel()
{
    bool finished = false;
    {
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return;
        m_cancelled = true;
        finished = m_finished;
    }
    {
        // Waits for an event being delivered, so none follows this call.
        std::lock_guard lock(m_handlerLock);
        // A handler that cancels its own transfer is still running: it goes
        // once it has returned.
        if (m_delivering)
            m_finishedHandler = std::move(m_handler);
        m_handler = nullptr;
    }
    // A finished transfer has left the transport already: nothing to tell
    // it.
    if (!finished)
        m_transport->remove(*this);
}

void HTTPTransfer::notify(Event event)
{
    // Told once the transport's pass is over: a small answer's head, body
    // and end reach the client in one hand-over, and a large one's chunks
    // in one per pass.
    if (m_pendingEvents == 0)
        m_transport->deliverAfterPass(*this);
    m_pendingEvents |= 1u << static_cast<unsigned>(event);
}

void HTTPTransfer::deliverPendingEvents()
{
    // The client reads the state as it is now, so the last event of the
    // pass tells of everything before it: one wake-up for the pass.
    const unsigned events = std::exchange(m_pendingEvents, 0u);
    Event last = Event::HeadComplete;
    for (Event event : { Event::BytesAvailable, Event::End, Event::Error })
        if (events & (1u << static_cast<unsigned>(event)))
            last = event;
    std::lock_guard lock(m_handlerLock);
    if (!m_handler)
        return;
    m_delivering = true;
    m_handler(last);
    m_delivering = false;
    m_finishedHandler = nullptr;
}

} // namespace qv
