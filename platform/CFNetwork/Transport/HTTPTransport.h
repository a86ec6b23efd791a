#pragma once

#include "platform/core/Ref.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace qv {

class HTTPTransfer;

// Moves the bytes of HTTP transfers with libcurl's multi interface, driven
// by one thread, its owner: curl's handles, the kept-alive connections and
// the transfers' events belong to that thread alone. The owner waits for
// pollDescriptor() to become readable (a socket of a transfer is ready,
// curl's timer ran out, or another thread handed over work) and then calls
// processEvents(), which moves the bytes and tells the transfers' handlers.
//
// Calls from the owner thread take effect at once (a request is on the
// wire before the call returns); calls from other threads are queued and
// wake the owner. Handlers are only ever called from processEvents(), never
// from inside a call a client made, so a client may hold its own locks
// while it starts, reads or cancels a transfer.
//
// Each transport keeps its own pool of kept-alive connections (curl's pool
// is not for sharing between threads): a connection is reused by later
// transfers of the same transport, within the time the client of the
// transfer that left it idle allows (HTTPTransferRequest's
// connectionReuseWindow).
class HTTPTransport : public Object {
public:
    // The process's one transport thread, for clients without a thread
    // that waits for a transport of its own. Made on first use and alive
    // for the rest of the process.
    static HTTPTransport& shared();
    // A transport owned by the calling thread, which drives it: it calls
    // processEvents() whenever pollDescriptor() is readable, and shutDown()
    // before it ends.
    static Ref<HTTPTransport> createForCurrentThread();

    int pollDescriptor() const { return m_epollFd; }
    // Owner thread: moves what is ready and tells the handlers.
    void processEvents();
    // Owner thread: stops every transfer (each fails, untold), closes the
    // connections and frees curl's handles. Later work is refused.
    void shutDown();
    // Owner thread: told when a transfer given to add() has left the
    // transport (done, failed, removed or refused), with no lock held.
    void setTransferLeftHandler(std::function<void(HTTPTransfer&)> handler);

    // A new group of private connections for HTTPTransferRequest's
    // connectionGroup; closing it closes its connections once the transfers
    // given to the transport before are done with them.
    uint64_t openConnectionGroup();
    void closeConnectionGroup(uint64_t group);

    void add(HTTPTransfer& transfer);
    void remove(HTTPTransfer& transfer);
    // The transfer's client made room or lifted its pause.
    void resume(HTTPTransfer& transfer);
    // Owner thread, inside curl: the transfer has events to tell once the
    // bytes ready now have been moved.
    void deliverAfterPass(HTTPTransfer& transfer);

    ~HTTPTransport() override;

private:
    QV_MAKE_REF_FRIEND;
    HTTPTransport();

    bool isOwnerThread() const { return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }
    // Runs the command now on the owner thread outside curl, else queues it
    // for the owner; answers false when the transport has shut down.
    bool execute(std::function<void()> command);
    void wake();
    void wakeLocked();
    // Runs queued commands and curl's due timer until neither is left, then
    // collects the transfers that ended.
    void settle();
    bool runCommands();
    void socketAction(int socket, int events);
    bool collectFinished();
    void deliverEvents();
    void takeReadyDescriptors(std::vector<std::pair<int, int>>& sockets);

    void addNow(HTTPTransfer& transfer);
    void detach(void* easy);
    void transferLeft(HTTPTransfer& transfer);
    void* takeEasyHandle();
    void* groupShare(uint64_t group);
    void releaseGroupIfUnused(uint64_t group);
    void giveBackEasyHandle(void* easy);

    // curl's callbacks: which sockets to watch, and when its timer runs out.
    void watchSocket(int socket, int what);
    // curl closed a connection's socket.
    void socketClosed(int socket);
    // The connection of a transfer that ended waits for the next one for
    // as long as its client allows.
    void keepIdleWindow(const HTTPTransfer& transfer, void* easy);
    // Idle connections past their time carry no later transfer.
    void closeExpiredIdleConnections();
    void setTimer(long milliseconds);
    void timerRanOut();

    void* m_multi = nullptr;
    int m_epollFd = -1;
    int m_wakeFd = -1;
    int m_timerFd = -1;
    std::atomic<std::thread::id> m_owner {};

    std::mutex m_lock;
    std::deque<std::function<void()>> m_commands;
    bool m_shutDown = false;

    // Owner thread only from here on.
    // Inside a curl call: work asked for now waits until it returns.
    unsigned m_inCurl = 0;
    // Inside processEvents(), which tells every event before it returns.
    unsigned m_processing = 0;
    bool m_timeoutDue = false;
    // When curl's timer runs out, and when the descriptor's is set to.
    std::optional<std::chrono::steady_clock::time_point> m_timerDue;
    std::optional<std::chrono::steady_clock::time_point> m_timerArmed;
    // The sockets in the epoll set, with the events watched.
    std::unordered_map<int, uint32_t> m_watchedSockets;
    // Idle kept-alive connections with a time of their clients', by
    // socket: until when they may carry a transfer, on which clock. A
    // connection leaves when a transfer takes it or curl closes it.
    struct IdleWindow {
        std::function<double()> clock;
        double until = 0;
    };
    std::map<int, IdleWindow> m_idleWindows;
    // Transfers in the multi handle, held alive while there.
    std::map<void*, Ref<HTTPTransfer>> m_running;
    // Reset easy handles kept for the next transfers.
    std::vector<void*> m_idleHandles;
    // The connection caches of the open groups, made on first use.
    std::map<uint64_t, void*> m_groups;
    // Closed groups whose last transfers are still running.
    std::set<uint64_t> m_closingGroups;
    // Transfers with events of the current pass.
    std::vector<Ref<HTTPTransfer>> m_eventsAfterPass;
    std::function<void(HTTPTransfer&)> m_transferLeft;
};

} // namespace qv
