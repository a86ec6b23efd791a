#pragma once

#include "platform/CFNetwork/CFHTTPConnectionLogin.h"
#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/CFNetwork/SecIdentity.h"
#include "platform/CFNetwork/Transport/HTTPTransferRequest.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSStream.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qv {

class HTTPRunLoopTransport;
class HTTPTransfer;
class HTTPTransport;

enum CFStreamEventType : unsigned {
    kCFStreamEventNone = 0,
    kCFStreamEventOpenCompleted = 1,
    kCFStreamEventHasBytesAvailable = 2,
    kCFStreamEventCanAcceptBytes = 4,
    kCFStreamEventErrorOccurred = 8,
    kCFStreamEventEndEncountered = 16,
};

// TLS settings of a stream.
struct CFStreamSSLSettings {
    bool validatesCertificateChain = true;
    RefPtr<SecIdentity> clientIdentity;
    // Anchors trusted in place of the system's (PEM); empty for the system's.
    std::string trustedAnchorsPEM;
};

// The response stream of one HTTP request: it sends the request (its body
// pulled from an input stream) and reads the response's body, while its
// response head is kept apart. It tells its client of bytes available, the
// end and an error on the run loops it is scheduled in, in their modes;
// unscheduled from every run loop it takes no bytes from the connection.
// Opened on the thread of a run loop it is scheduled in (or on any thread,
// unscheduled, to be scheduled there), the stream's bytes move on that
// loop, in the modes the stream is scheduled in there, over the thread's
// own kept-alive connections; otherwise on the process's transport thread.
// Redirects, authentication, cookies and decompression are left to the
// client: the stream reports the response as it came. The one exception is
// credentials bound to the connection (CFHTTPMessage's
// connectionAuthentications): the stream opens the exchanges on a
// connection of its own, reads the challenges there, and reports only the
// response to the answered request.
class CFHTTPReadStream : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    using Client = std::function<void(CFHTTPReadStream&, CFStreamEventType)>;

    static Ref<CFHTTPReadStream> createForHTTPRequest(const CFHTTPMessage& request, RefPtr<NSInputStream> body = nullptr);

    // How long a kept-alive connection may wait idle for a later request
    // after a response, in seconds of the system's clock: asked on the
    // transport's thread with the response head once it is in. None, or no
    // time at all, closes the connection when the exchange ends; past its
    // time an idle connection carries no later request.
    using ConnectionReuseRule = std::function<std::optional<double>(const CFHTTPMessage& response)>;

    // Set before open().
    void setAttemptPersistentConnection(bool attempt);
    void setConnectionReuseRule(ConnectionReuseRule rule);
    void setSSLSettings(CFStreamSSLSettings settings);
    void setProxy(std::string proxyURL, std::string userPassword = {});

    // The client is held until it is replaced or the stream is closed. An
    // event that comes while the stream is unscheduled or has no client
    // waits, and is told once it is scheduled with a client again.
    void setClient(unsigned events, Client client);
    void scheduleWithRunLoop(NSRunLoop& runLoop, const std::string& mode);
    void unscheduleFromRunLoop(NSRunLoop& runLoop, const std::string& mode);

    // Starts the exchange; false when the request cannot be sent (its error
    // says why).
    bool open();
    // Stops the exchange; no event follows.
    void close();
    long read(uint8_t* buffer, NSUInteger length);
    bool hasBytesAvailable() const;
    NSStreamStatus status() const;
    RefPtr<NSError> error() const;

    // The response head, once complete; null before.
    RefPtr<CFHTTPMessage> responseHeader() const;
    uint64_t bytesWritten() const;
    // The exchange went over a kept-alive connection of an earlier one.
    bool reusedConnection() const;

    std::string className() const override { return "CFHTTPReadStream"; }
    ~CFHTTPReadStream() override;

private:
    CFHTTPReadStream(Ref<CFHTTPMessage> request, RefPtr<NSInputStream> body);

    void transferChanged();
    void deliverEvents();
    void fail(Ref<NSError> error);
    // Starts the transfer, or the opening one of a connection-bound login.
    void startTransfer(HTTPTransferRequest request);
    // Under the lock: a transfer on the stream's transport, not started yet.
    Ref<HTTPTransfer> makeTransfer(HTTPTransferRequest request, void (CFHTTPReadStream::*changed)());
    HTTPTransport& transport() const;
    // Under the lock: the modes the stream is scheduled in on the run loop
    // of its transport.
    std::set<std::string> modesOnTransportLoop() const;
    // The transfers move in the modes the stream is scheduled in now.
    void updateTransferModes();
    // Starts the transfer whose answer is the stream's response, releasing
    // the lock first.
    void startResponseTransfer(HTTPTransferRequest request, std::unique_lock<std::mutex>& lock);
    // Under the lock: the next request of the logins, on their private
    // connection.
    HTTPTransferRequest nextLoginRequest();
    // Under the lock: the next transfer of the logins, to be started once
    // the lock is let go.
    Ref<HTTPTransfer> makeLoginTransfer();
    // The opening transfer's answer is the response after all; releases
    // the lock.
    void takeOpeningAsResponse(std::unique_lock<std::mutex>& lock);
    void openingTransferChanged();
    // Takes the transfers and the connection group, under the lock, and
    // ends them after it (a transfer's cancel waits for an event that may
    // wait for the lock).
    struct Transfers {
        RefPtr<HTTPTransfer> transfer;
        RefPtr<HTTPTransfer> opening;
        uint64_t connectionGroup = 0;
        RefPtr<HTTPTransport> transport;
    };
    Transfers takeTransfers();
    static void stopTransfers(Transfers transfers);

    struct Schedule {
        WeakPtr<NSRunLoop> runLoop;
        std::string mode;
    };

    const Ref<CFHTTPMessage> m_request;
    const RefPtr<NSInputStream> m_body;
    mutable std::mutex m_lock;
    bool m_attemptPersistentConnection = true;
    ConnectionReuseRule m_connectionReuseRule;
    CFStreamSSLSettings m_ssl;
    std::string m_proxy;
    std::string m_proxyUserPassword;
    unsigned m_events = 0;
    Client m_client;
    std::vector<Schedule> m_schedules;
    // The run loop whose thread moves the stream's bytes, chosen when it
    // opens; none for the process's transport thread.
    RefPtr<HTTPRunLoopTransport> m_runLoopTransport;
    RefPtr<HTTPTransfer> m_transfer;
    // Connection-bound logins: the transfer that waits for a challenge,
    // and what goes next, over the connections of m_connectionGroup.
    RefPtr<HTTPTransfer> m_openingTransfer;
    std::optional<CFHTTPConnectionLogin> m_connectionLogin;
    uint64_t m_connectionGroup = 0;
    bool m_challengeAnswered = false;
    NSStreamStatus m_status = NSStreamStatusNotOpen;
    RefPtr<NSError> m_error;
    RefPtr<CFHTTPMessage> m_response;
    bool m_headReported = false;
    bool m_endReported = false;
    bool m_errorReported = false;
    std::atomic<bool> m_deliveryQueued { false };
};

} // namespace qv
