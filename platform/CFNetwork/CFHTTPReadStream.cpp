#include "CFHTTPReadStream.h"

#include "platform/CFNetwork/CFHTTPConnectionLogin.h"
#include "platform/CFNetwork/HTTPRunLoopTransport.h"
#include "platform/CFNetwork/Transport/HTTPTransfer.h"
#include "platform/CFNetwork/Transport/HTTPTransport.h"
#include "platform/Foundation/StringEncoding.h"
#include "platform/Foundation/VirtualClock.h"

#include <strings.h>

#include <algorithm>

namespace qv {

namespace {

Ref<CFHTTPMessage> messageFromHead(const HTTPResponseHead& head)
{
    const auto space = head.statusLine.find(' ', head.httpVersion.size() + 1);
    auto response = CFHTTPMessage::createResponse(head.statusCode, space == std::string::npos ? "" : head.statusLine.substr(space + 1), head.httpVersion);
    for (const auto& [name, value] : head.headers)
        response->addHeaderField(name, value);
    response->setHeaderComplete();
    return response;
}

} // namespace

Ref<CFHTTPReadStream> CFHTTPReadStream::createForHTTPRequest(const CFHTTPMessage& request, RefPtr<NSInputStream> body)
{
    return makeRef<CFHTTPReadStream>(Ref<CFHTTPMessage>(const_cast<CFHTTPMessage&>(request)), std::move(body));
}

CFHTTPReadStream::CFHTTPReadStream(Ref<CFHTTPMessage> request, RefPtr<NSInputStream> body)
    : m_request(std::move(request))
    , m_body(std::move(body))
{
}

CFHTTPReadStream::~CFHTTPReadStream()
{
    stopTransfers(takeTransfers());
}

CFHTTPReadStream::Transfers CFHTTPReadStream::takeTransfers()
{
    RefPtr<HTTPTransport> groupTransport = m_connectionGroup ? RefPtr<HTTPTransport>(transport()) : nullptr;
    return { std::exchange(m_transfer, nullptr), std::exchange(m_openingTransfer, nullptr), std::exchange(m_connectionGroup, 0), std::move(groupTransport) };
}

HTTPTransport& CFHTTPReadStream::transport() const
{
    return m_runLoopTransport ? m_runLoopTransport->transport() : HTTPTransport::shared();
}

std::set<std::string> CFHTTPReadStream::modesOnTransportLoop() const
{
    std::set<std::string> modes;
    if (!m_runLoopTransport)
        return modes;
    for (const Schedule& schedule : m_schedules)
        if (schedule.runLoop.unsafeGet() && m_runLoopTransport->isTransportOf(*schedule.runLoop.unsafeGet()))
            modes.insert(schedule.mode);
    return modes;
}

void CFHTTPReadStream::updateTransferModes()
{
    // Under the lock, so that changes of the schedule from two threads
    // reach the transport in their order.
    std::lock_guard lock(m_lock);
    if (!m_runLoopTransport)
        return;
    const std::set<std::string> modes = modesOnTransportLoop();
    for (const RefPtr<HTTPTransfer>& transfer : { m_transfer, m_openingTransfer })
        if (transfer)
            m_runLoopTransport->setModes(*transfer, modes);
}

Ref<HTTPTransfer> CFHTTPReadStream::makeTransfer(HTTPTransferRequest request, void (CFHTTPReadStream::*changed)())
{
    WeakPtr<CFHTTPReadStream> weakThis(*this);
    HTTPTransfer::EventHandler handler = [weakThis, changed](HTTPTransfer::Event) {
        if (auto stream = weakThis.lock())
            (stream.get()->*changed)();
    };
    if (m_runLoopTransport)
        return m_runLoopTransport->createTransfer(std::move(request), std::move(handler), modesOnTransportLoop());
    return HTTPTransfer::create(std::move(request), std::move(handler), HTTPTransport::shared());
}

void CFHTTPReadStream::stopTransfers(Transfers transfers)
{
    // Cancelled before the group closes, so that the group's connections
    // are let go once no transfer uses them.
    if (transfers.transfer)
        transfers.transfer->cancel();
    if (transfers.opening)
        transfers.opening->cancel();
    if (transfers.connectionGroup && transfers.transport)
        transfers.transport->closeConnectionGroup(transfers.connectionGroup);
}

void CFHTTPReadStream::setAttemptPersistentConnection(bool attempt)
{
    std::lock_guard lock(m_lock);
    m_attemptPersistentConnection = attempt;
}

void CFHTTPReadStream::setConnectionReuseRule(ConnectionReuseRule rule)
{
    std::lock_guard lock(m_lock);
    m_connectionReuseRule = std::move(rule);
}

void CFHTTPReadStream::setSSLSettings(CFStreamSSLSettings settings)
{
    std::lock_guard lock(m_lock);
    m_ssl = std::move(settings);
}

void CFHTTPReadStream::setProxy(std::string proxyURL, std::string userPassword)
{
    std::lock_guard lock(m_lock);
    m_proxy = std::move(proxyURL);
    m_proxyUserPassword = std::move(userPassword);
}

void CFHTTPReadStream::setClient(unsigned events, Client client)
{
    bool scheduled = false;
    {
        std::lock_guard lock(m_lock);
        m_events = events;
        m_client = std::move(client);
        scheduled = m_client && m_transfer && !m_schedules.empty();
    }
    // What waited for a client is told now.
    if (scheduled)
        transferChanged();
}

void CFHTTPReadStream::scheduleWithRunLoop(NSRunLoop& runLoop, const std::string& mode)
{
    RefPtr<HTTPTransfer> transfer;
    {
        std::lock_guard lock(m_lock);
        m_schedules.push_back({ WeakPtr<NSRunLoop>(runLoop), mode });
        transfer = m_transfer;
    }
    updateTransferModes();
    // What happened while unscheduled is told now; before the stream is
    // opened nothing has.
    m_deliveryQueued = false;
    if (transfer) {
        transfer->setPaused(false);
        transferChanged();
    }
}

void CFHTTPReadStream::unscheduleFromRunLoop(NSRunLoop& runLoop, const std::string& mode)
{
    RefPtr<HTTPTransfer> transfer;
    {
        std::lock_guard lock(m_lock);
        std::erase_if(m_schedules, [&](const Schedule& schedule) { return schedule.runLoop.unsafeGet() == &runLoop && schedule.mode == mode; });
        if (m_schedules.empty())
            transfer = m_transfer;
    }
    updateTransferModes();
    if (transfer)
        transfer->setPaused(true);
}

bool CFHTTPReadStream::open()
{
    RefPtr<NSURL> url = m_request->requestURL();
    HTTPTransferRequest request;
    if (!url || (url->scheme() != "http" && url->scheme() != "https")) {
        fail(NSError::create(TransferCFNetworkErrorDomain, TransferHTTPParseFailureError, "The URL is no http or https URL"));
        return false;
    }
    request.url = url->absoluteString();
    request.method = m_request->requestMethod();
    request.useHTTPVersionOne = m_request->version() == kCFHTTPVersion1_0;
    // Header fields go out in Latin-1, as the device sends them; text
    // beyond it goes as its UTF-8 bytes.
    request.headers = m_request->headerFields();
    for (auto& field : request.headers)
        if (auto latin1 = bytesFromString(field.second, NSISOLatin1StringEncoding))
            field.second = std::move(*latin1);

    RefPtr<NSInputStream> body = m_body;
    const std::string bodyInMessage = m_request->body();
    if (!body && !bodyInMessage.empty()) {
        body = NSInputStream::inputStreamWithData({ bodyInMessage.begin(), bodyInMessage.end() });
        request.bodyLength = bodyInMessage.size();
    }
    if (body) {
        body->open();
        if (body->streamStatus() == NSStreamStatusError) {
            fail(body->streamError() ? body->streamError().toRef() : NSError::create(NSPOSIXErrorDomain, 5, "The body cannot be read"));
            return false;
        }
        request.bodyReader = [body](char* buffer, size_t capacity) -> long {
            return body->read(reinterpret_cast<uint8_t*>(buffer), capacity);
        };
    }
    {
        std::lock_guard lock(m_lock);
        if (m_status != NSStreamStatusNotOpen)
            return false;
        request.attemptPersistentConnection = m_attemptPersistentConnection;
        if (m_connectionReuseRule) {
            request.connectionReuseWindow = [rule = m_connectionReuseRule](const HTTPResponseHead& head) {
                return rule(messageFromHead(head));
            };
            // The client's windows run on the system's clock.
            request.clock = [] { return VirtualClock::now(); };
        }
        request.validatesCertificateChain = m_ssl.validatesCertificateChain;
        request.trustedAnchorsPEM = m_ssl.trustedAnchorsPEM;
        if (m_ssl.clientIdentity) {
            request.clientCertificatePEM = m_ssl.clientIdentity->certificatePEM();
            request.clientKeyPEM = m_ssl.clientIdentity->privateKeyPEM();
        }
        request.proxy = m_proxy;
        request.proxyUserPassword = m_proxyUserPassword;
        m_status = NSStreamStatusOpen;
    }
    startTransfer(std::move(request));
    return true;
}

void CFHTTPReadStream::startTransfer(HTTPTransferRequest request)
{
    std::unique_lock lock(m_lock);
    // The stream's bytes move on this thread's run loop when the stream is
    // scheduled there, or not yet anywhere (it is scheduled where it was
    // opened).
    Ref<NSRunLoop> current = NSRunLoop::currentRunLoop();
    if (m_schedules.empty()
        || std::any_of(m_schedules.begin(), m_schedules.end(), [&](const Schedule& schedule) { return schedule.runLoop.unsafeGet() == current.ptr(); }))
        m_runLoopTransport = HTTPRunLoopTransport::current();
    if (auto logins = m_request->connectionAuthentications(); !logins.empty()) {
        CFHTTPConnectionLogin login(std::move(request), std::move(logins));
        if (login.waitsForChallenges()) {
            // The logins belong to one connection: the requests that carry
            // them out go on a connection no other request takes.
            m_connectionGroup = transport().openConnectionGroup();
            m_connectionLogin = std::move(login);
            Ref<HTTPTransfer> loginTransfer = makeLoginTransfer();
            lock.unlock();
            loginTransfer->start();
            return;
        }
        request = login.takeRequest();
    }
    startResponseTransfer(std::move(request), lock);
}

void CFHTTPReadStream::startResponseTransfer(HTTPTransferRequest request, std::unique_lock<std::mutex>& lock)
{
    Ref<HTTPTransfer> transfer = makeTransfer(std::move(request), &CFHTTPReadStream::transferChanged);
    m_transfer = transfer;
    const bool paused = m_schedules.empty();
    lock.unlock();
    // Paused before it starts: an unscheduled stream takes no bytes.
    if (paused)
        transfer->setPaused(true);
    transfer->start();
}

HTTPTransferRequest CFHTTPReadStream::nextLoginRequest()
{
    HTTPTransferRequest request = m_connectionLogin->nextRequest();
    request.connectionGroup = m_connectionGroup;
    request.attemptPersistentConnection = true;
    // The logins need their one connection to the end; it closes with the
    // group.
    request.connectionReuseWindow = nullptr;
    return request;
}

Ref<HTTPTransfer> CFHTTPReadStream::makeLoginTransfer()
{
    m_challengeAnswered = false;
    Ref<HTTPTransfer> transfer = makeTransfer(nextLoginRequest(), &CFHTTPReadStream::openingTransferChanged);
    m_openingTransfer = transfer;
    return transfer;
}

void CFHTTPReadStream::takeOpeningAsResponse(std::unique_lock<std::mutex>& lock)
{
    m_transfer = std::exchange(m_openingTransfer, nullptr);
    lock.unlock();
    transferChanged();
}

void CFHTTPReadStream::openingTransferChanged()
{
    std::unique_lock lock(m_lock);
    RefPtr<HTTPTransfer> opening = m_openingTransfer;
    if (!opening || m_status != NSStreamStatusOpen) {
        // The opening answer became the response (or the stream ended).
        lock.unlock();
        transferChanged();
        return;
    }
    auto head = opening->responseHead();
    const bool failed = opening->error().has_value();
    if (!m_challengeAnswered) {
        if (!head && !failed)
            return;
        if (failed || !head || !m_connectionLogin->answerChallenge(*head)) {
            // No challenge to answer: this is the response.
            takeOpeningAsResponse(lock);
            return;
        }
        m_challengeAnswered = true;
    }
    // The challenge's body is dropped; once it has ended the connection is
    // free for the answer.
    char buffer[16384];
    while (opening->read(buffer, sizeof buffer) > 0) {
    }
    if (opening->error()) {
        takeOpeningAsResponse(lock);
        return;
    }
    if (!opening->atEnd())
        return;
    if (!m_connectionLogin->isAnswered()) {
        // Another login waits for its challenge from behind this one.
        Ref<HTTPTransfer> loginTransfer = makeLoginTransfer();
        lock.unlock();
        loginTransfer->start();
        return;
    }
    m_openingTransfer = nullptr;
    HTTPTransferRequest answering = nextLoginRequest();
    m_connectionLogin.reset();
    startResponseTransfer(std::move(answering), lock);
}

void CFHTTPReadStream::close()
{
    Client client;
    Transfers transfers;
    {
        std::lock_guard lock(m_lock);
        m_status = NSStreamStatusClosed;
        client = std::move(m_client);
        m_client = nullptr;
        m_schedules.clear();
        transfers = takeTransfers();
    }
    stopTransfers(std::move(transfers));
}

void CFHTTPReadStream::fail(Ref<NSError> error)
{
    {
        std::lock_guard lock(m_lock);
        m_status = NSStreamStatusError;
        m_error = error;
    }
}

long CFHTTPReadStream::read(uint8_t* buffer, NSUInteger length)
{
    RefPtr<HTTPTransfer> transfer;
    {
        std::lock_guard lock(m_lock);
        if (m_status == NSStreamStatusError || m_status == NSStreamStatusClosed || m_status == NSStreamStatusNotOpen)
            return -1;
        transfer = m_transfer;
    }
    if (!transfer)
        return -1;
    return static_cast<long>(transfer->read(reinterpret_cast<char*>(buffer), length));
}

bool CFHTTPReadStream::hasBytesAvailable() const
{
    std::lock_guard lock(m_lock);
    return m_transfer && m_transfer->hasBytesAvailable();
}

NSStreamStatus CFHTTPReadStream::status() const
{
    std::lock_guard lock(m_lock);
    if (m_status == NSStreamStatusOpen && m_transfer && m_transfer->atEnd())
        return NSStreamStatusAtEnd;
    return m_status;
}

RefPtr<NSError> CFHTTPReadStream::error() const
{
    std::lock_guard lock(m_lock);
    return m_error;
}

RefPtr<CFHTTPMessage> CFHTTPReadStream::responseHeader() const
{
    std::lock_guard lock(m_lock);
    if (m_response)
        return m_response;
    if (!m_transfer)
        return nullptr;
    auto head = m_transfer->responseHead();
    if (!head)
        return nullptr;
    auto response = messageFromHead(*head);
    const_cast<CFHTTPReadStream*>(this)->m_response = response;
    return response;
}

uint64_t CFHTTPReadStream::bytesWritten() const
{
    std::lock_guard lock(m_lock);
    return m_transfer ? m_transfer->bytesWritten() : 0;
}

bool CFHTTPReadStream::reusedConnection() const
{
    std::lock_guard lock(m_lock);
    return m_transfer && m_transfer->reusedConnection();
}

void CFHTTPReadStream::transferChanged()
{
    if (m_deliveryQueued.exchange(true))
        return;
    std::vector<Schedule> schedules;
    {
        std::lock_guard lock(m_lock);
        schedules = m_schedules;
    }
    bool queued = false;
    WeakPtr<CFHTTPReadStream> weakThis(*this);
    for (const auto& schedule : schedules) {
        if (auto runLoop = schedule.runLoop.lock()) {
            runLoop->performInModes({ schedule.mode }, [weakThis] {
                if (auto stream = weakThis.lock())
                    stream->deliverEvents();
            });
            queued = true;
        }
    }
    // Unscheduled, the events wait for the next schedule.
    if (!queued)
        m_deliveryQueued = false;
}

void CFHTTPReadStream::deliverEvents()
{
    m_deliveryQueued = false;
    RefPtr<HTTPTransfer> transfer;
    {
        std::lock_guard lock(m_lock);
        if (m_status == NSStreamStatusClosed || m_status == NSStreamStatusError || !m_transfer)
            return;
        transfer = m_transfer;
    }
    const bool hasHead = static_cast<bool>(responseHeader());
    CFStreamEventType event = kCFStreamEventNone;
    Client client;
    {
        std::lock_guard lock(m_lock);
        // Unscheduled (a client that reads under a limit detaches the
        // stream from inside its own handler, often right after the last
        // bytes) or without a client, the stream tells nothing and marks
        // nothing told: the end or error waits for the next schedule,
        // which delivers it.
        if (m_schedules.empty() || !m_client)
            return;
        const auto transferError = transfer->error();
        if ((hasHead && !m_headReported) || transfer->hasBytesAvailable()) {
            m_headReported = m_headReported || hasHead;
            event = kCFStreamEventHasBytesAvailable;
        } else if (transferError && !m_errorReported) {
            m_errorReported = true;
            m_status = NSStreamStatusError;
            m_error = NSError::create(transferError->domain, transferError->code, transferError->message);
            event = kCFStreamEventErrorOccurred;
        } else if (transfer->atEnd() && !m_endReported) {
            m_endReported = true;
            event = kCFStreamEventEndEncountered;
        }
        if (event != kCFStreamEventNone && (m_events & event))
            client = m_client;
    }
    if (event == kCFStreamEventNone)
        return;
    // The client may close or release the stream: keep it alive meanwhile.
    Ref<CFHTTPReadStream> protect(*this);
    if (client)
        client(*this, event);
    if (event != kCFStreamEventHasBytesAvailable)
        return;
    // Bytes read only in part are told again in the next pass; an end or
    // error behind bytes read in full is told now, in the same pass.
    if (transfer->hasBytesAvailable())
        transferChanged();
    else if (transfer->atEnd() || transfer->error())
        deliverEvents();
}

} // namespace qv
