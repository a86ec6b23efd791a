#include "HTTPRunLoopTransport.h"

namespace qv {

// The transport of a thread. Made after the thread's run loop, it ends
// before the loop lets go of its sources: its transfers fail and its
// connections close on the thread that used them.
struct RunLoopTransportOfThread {
    RefPtr<HTTPRunLoopTransport> transport;
    ~RunLoopTransportOfThread();
};

namespace {
thread_local bool threadEnding = false;
thread_local RunLoopTransportOfThread transportOfThread;
} // namespace

RunLoopTransportOfThread::~RunLoopTransportOfThread()
{
    threadEnding = true;
    if (transport)
        transport->threadWillExit();
}

RefPtr<HTTPRunLoopTransport> HTTPRunLoopTransport::current()
{
    if (threadEnding)
        return nullptr;
    // The run loop first, so that its thread's state outlives ours.
    Ref<NSRunLoop> runLoop = NSRunLoop::currentRunLoop();
    if (!transportOfThread.transport)
        transportOfThread.transport = makeRef<HTTPRunLoopTransport>(runLoop);
    return transportOfThread.transport;
}

HTTPRunLoopTransport::HTTPRunLoopTransport(NSRunLoop& runLoop)
    : m_runLoopIdentity(&runLoop)
    , m_transport(HTTPTransport::createForCurrentThread())
    , m_source(RunLoopSource::create(m_transport->pollDescriptor(), [transport = m_transport] { transport->processEvents(); }))
    , m_runLoop(runLoop)
{
    // The transport goes with this object (see threadWillExit), so it may
    // call back into it.
    m_transport->setTransferLeftHandler([this](HTTPTransfer& transfer) { transferLeft(transfer); });
}

HTTPRunLoopTransport::~HTTPRunLoopTransport() = default;

Ref<HTTPTransfer> HTTPRunLoopTransport::createTransfer(HTTPTransferRequest request, HTTPTransfer::EventHandler handler, std::set<std::string> modes)
{
    auto transfer = HTTPTransfer::create(std::move(request), std::move(handler), m_transport);
    std::lock_guard lock(m_lock);
    if (!m_exited) {
        m_transferModes.emplace(transfer.ptr(), std::move(modes));
        updateSourceModes();
    }
    return transfer;
}

void HTTPRunLoopTransport::setModes(const HTTPTransfer& transfer, std::set<std::string> modes)
{
    std::lock_guard lock(m_lock);
    auto found = m_transferModes.find(&transfer);
    if (found == m_transferModes.end() || found->second == modes)
        return;
    found->second = std::move(modes);
    updateSourceModes();
}

void HTTPRunLoopTransport::transferLeft(const HTTPTransfer& transfer)
{
    std::lock_guard lock(m_lock);
    if (m_transferModes.erase(&transfer))
        updateSourceModes();
}

void HTTPRunLoopTransport::updateSourceModes()
{
    std::set<std::string> wanted;
    for (const auto& [transfer, modes] : m_transferModes)
        wanted.insert(modes.begin(), modes.end());
    if (wanted == m_sourceModes || !m_runLoop)
        return;
    for (const std::string& mode : m_sourceModes)
        if (!wanted.count(mode))
            m_runLoop->removeSource(m_source, mode);
    for (const std::string& mode : wanted)
        if (!m_sourceModes.count(mode))
            m_runLoop->addSource(m_source, mode);
    m_sourceModes = std::move(wanted);
}

void HTTPRunLoopTransport::threadWillExit()
{
    {
        std::lock_guard lock(m_lock);
        m_exited = true;
        m_transferModes.clear();
        updateSourceModes();
        // Streams of the thread may outlive it; its loop (and the loop's
        // descriptor) need not.
        m_runLoop = nullptr;
    }
    m_source->invalidate();
    m_transport->setTransferLeftHandler(nullptr);
    m_transport->shutDown();
}

} // namespace qv
