#pragma once

#include "platform/CFNetwork/Transport/HTTPTransfer.h"
#include "platform/CFNetwork/Transport/HTTPTransport.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace qv {

// The HTTP transport of one thread, driven by the thread's run loop: the
// sockets of its transfers and curl's timer are one source of the loop, so
// that a request run on a thread moves its bytes and hears of them on that
// thread, with no other thread to wake on the way. The source is in the
// modes the running transfers are scheduled in, and in none once no
// transfer needs it, so that a mode with nothing else in it runs dry.
// Commands from other threads (a cancel, a resume) reach the loop as its
// source. When the thread ends, its transfers fail and its connections and
// curl's handles go.
class HTTPRunLoopTransport : public Object {
public:
    // The transport of the calling thread's run loop, made on first use;
    // none once the thread is ending.
    static RefPtr<HTTPRunLoopTransport> current();

    // Whether this is the transport of the run loop (which it lets go of
    // when the loop's thread ends).
    bool isTransportOf(const NSRunLoop& runLoop) const { return &runLoop == m_runLoopIdentity; }
    HTTPTransport& transport() const { return m_transport; }

    // A transfer on this transport that moves in the given modes of the
    // loop (none, and it waits), to be started by the caller.
    Ref<HTTPTransfer> createTransfer(HTTPTransferRequest request, HTTPTransfer::EventHandler handler, std::set<std::string> modes);
    // Any thread: the modes a running transfer moves in from now on.
    void setModes(const HTTPTransfer& transfer, std::set<std::string> modes);

    ~HTTPRunLoopTransport() override;

private:
    QV_MAKE_REF_FRIEND;
    friend struct RunLoopTransportOfThread;
    explicit HTTPRunLoopTransport(NSRunLoop& runLoop);

    void transferLeft(const HTTPTransfer& transfer);
    // Under the lock: the source follows the modes of the transfers.
    void updateSourceModes();
    void threadWillExit();
    bool m_exited = false;

    const NSRunLoop* const m_runLoopIdentity;
    const Ref<HTTPTransport> m_transport;
    const Ref<RunLoopSource> m_source;
    std::mutex m_lock;
    // Until the thread ends.
    RefPtr<NSRunLoop> m_runLoop;
    // The modes of each running transfer.
    std::map<const HTTPTransfer*, std::set<std::string>> m_transferModes;
    // The modes the source is in now.
    std::set<std::string> m_sourceModes;
};

} // namespace qv
