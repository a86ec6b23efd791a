#pragma once

#include "HTTPTransferRequest.h"

#include "platform/core/Ref.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

class HTTPTransport;

// One HTTP exchange on a transport, whose owner thread moves its bytes. The
// client reads the response head and body from any thread; the transfer
// tells it, on the transport's thread, when something new is there: once
// per pass of the transport, with the latest event (an end or an error
// implies the head and bytes that came before it). It buffers a bounded
// amount of body: when the client does not read, or has paused it, the
// transfer stops taking bytes from the connection until it reads again.
class HTTPTransfer : public Object {
public:
    enum class Event { HeadComplete, BytesAvailable, End, Error };
    // Called on the transport's thread with no lock held; it must not block.
    using EventHandler = std::function<void(Event)>;

    using ResponseHead = HTTPResponseHead;

    // Starts the transfer on the process's transport thread; nothing is
    // sent when the request is refused (an URL that is not http or https),
    // which is then reported as an error.
    static Ref<HTTPTransfer> start(HTTPTransferRequest request, EventHandler handler);
    // A transfer on the given transport, which start() gives it.
    static Ref<HTTPTransfer> create(HTTPTransferRequest request, EventHandler handler, HTTPTransport& transport);
    void start();

    // The head of the final response, once it is complete.
    std::optional<ResponseHead> responseHead() const;
    // Takes up to `capacity` buffered body bytes; 0 when none are there.
    size_t read(char* buffer, size_t capacity);
    bool hasBytesAvailable() const;
    // The whole body arrived and was read.
    bool atEnd() const;
    std::optional<HTTPTransferError> error() const;
    // Body bytes sent so far.
    uint64_t bytesWritten() const { return m_bytesWritten.load(); }
    // Whether the connection came from the pool of kept-alive ones.
    bool reusedConnection() const { return m_reusedConnection.load(); }

    // While paused the transfer takes no bytes from the connection and
    // sends none of the body.
    void setPaused(bool paused);
    // Stops the transfer for good and forgets the handler; no event comes
    // after it returns except one that was already running.
    void cancel();

    ~HTTPTransfer() override;

private:
    QV_MAKE_REF_FRIEND;
    friend class HTTPTransport;
    HTTPTransfer(HTTPTransferRequest request, EventHandler handler, HTTPTransport& transport);

    // Transport-thread side, called by the transport.
    // curl's code: CURLE_OK when the transfer may start.
    int configure(void* easy);
    size_t takeHeaderLine(const char* data, size_t length);
    size_t takeBody(const char* data, size_t length);
    long giveBody(char* buffer, size_t capacity);
    void finish(int curlCode, long osErrno, bool receivedAnything);
    bool wantsResume();
    // How long the connection may wait idle for a later transfer once this
    // one has ended; none for the transport's own time (transport's thread,
    // once the head is in).
    std::optional<double> connectionReuseWindow() const { return m_reuseWindow; }
    bool isCancelled() const;
    // The transport shut down under the transfer: it fails, untold.
    void abandon();
    // Gives the handler the events of the transport's last pass, in the
    // order they happen (head, bytes, end or error).
    void deliverPendingEvents();
    // Frees what curl was given for the transfer, once curl let go of it.
    void freeLists();
    void notify(Event event);

    static constexpr size_t bufferLimit = 4u << 20;
    static constexpr size_t headLimit = 256u << 10;
    static constexpr size_t spareChunkLimit = 4;

    const HTTPTransferRequest m_request;
    const Ref<HTTPTransport> m_transport;
    mutable std::mutex m_lock;
    EventHandler m_handler;
    // Recursive: a handler may cancel its own transfer.
    std::recursive_mutex m_handlerLock;
    // Under m_handlerLock: a handler is running, and the one its own cancel
    // took away.
    bool m_delivering = false;
    EventHandler m_finishedHandler;
    void* m_easy = nullptr;
    void* m_headerList = nullptr;
    void* m_resolveList = nullptr;
    void* m_proxyHeaderList = nullptr;
    ResponseHead m_head;
    bool m_headComplete = false;
    size_t m_headBytes = 0;
    bool m_headTooLarge = false;
    // The head's Content-Length fields give no single valid length.
    bool m_badBodyLength = false;
    // The client's word on keeping the connection (transport's thread).
    std::optional<double> m_reuseWindow;
    // Reading the proxy's answers to the CONNECT of a tunnel, and whether
    // the last one read in full refused it.
    bool m_settingUpTunnel = false;
    bool m_tunnelRefused = false;
    std::deque<std::string> m_body;
    // Chunks already read, kept to take the next bytes without allocating.
    std::vector<std::string> m_spareChunks;
    size_t m_bodyOffset = 0;
    size_t m_buffered = 0;
    bool m_finished = false;
    bool m_pausedForSpace = false;
    bool m_pausedByClient = false;
    bool m_cancelled = false;
    std::optional<HTTPTransferError> m_error;
    std::atomic<uint64_t> m_bytesWritten { 0 };
    std::atomic<bool> m_reusedConnection { false };
    // Events of the current pass not yet told (transport's thread only).
    unsigned m_pendingEvents = 0;
    // Left the transport with events still to tell (transport's thread only).
    bool m_leavesAfterEvents = false;
};

} // namespace qv
