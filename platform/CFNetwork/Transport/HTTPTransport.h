#pragma once

#include "platform/core/Ref.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace qv {

class HTTPTransfer;

// The process's one transport thread, with libcurl's multi handle: every
// transfer's connection, TLS and bytes are moved here, and kept-alive
// connections are shared by all transfers. Made on first use (with curl's
// one global initialisation) and alive for the rest of the process.
class HTTPTransport {
public:
    static HTTPTransport& shared();

    // A new group of private connections for HTTPTransferRequest's
    // connectionGroup; closing it closes its connections once the transfers
    // given to the transport before are done with them.
    uint64_t openConnectionGroup();
    void closeConnectionGroup(uint64_t group);

    void add(HTTPTransfer& transfer);
    void remove(HTTPTransfer& transfer);
    // The transfer's client made room or lifted its pause.
    void resume(HTTPTransfer& transfer);
    // Transport thread: the transfer has events to tell once this pass of
    // the loop has moved every transfer's bytes.
    void deliverAfterPass(HTTPTransfer& transfer);

private:
    HTTPTransport();
    void run();
    void post(std::function<void()> command);
    void runCommands();
    void collectFinished();
    void deliverEvents();
    void detach(void* easy);
    void* takeEasyHandle();
    void* groupShare(uint64_t group);
    void releaseGroupIfUnused(uint64_t group);
    void giveBackEasyHandle(void* easy);

    void* m_multi = nullptr;
    std::mutex m_lock;
    std::deque<std::function<void()>> m_commands;
    // Transfers in the multi handle, held alive while there.
    std::map<void*, Ref<HTTPTransfer>> m_running;
    std::thread m_thread;
    // Reset easy handles kept for the next transfers (transport thread only).
    std::vector<void*> m_idleHandles;
    // The connection caches of the open groups, made on first use
    // (transport thread only).
    std::map<uint64_t, void*> m_groups;
    // Closed groups whose last transfers are still running.
    std::set<uint64_t> m_closingGroups;
    std::atomic<uint64_t> m_nextGroup { 1 };
    // Transfers with events of the current pass (transport thread only).
    std::vector<Ref<HTTPTransfer>> m_eventsAfterPass;
};

} // namespace qv
