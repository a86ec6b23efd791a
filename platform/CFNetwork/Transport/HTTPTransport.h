#pragma once

#include "platform/core/Ref.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
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
    void giveBackEasyHandle(void* easy);

    void* m_multi = nullptr;
    std::mutex m_lock;
    std::deque<std::function<void()>> m_commands;
    // Transfers in the multi handle, held alive while there.
    std::map<void*, Ref<HTTPTransfer>> m_running;
    std::thread m_thread;
    // Reset easy handles kept for the next transfers (transport thread only).
    std::vector<void*> m_idleHandles;
    // Transfers with events of the current pass (transport thread only).
    std::vector<Ref<HTTPTransfer>> m_eventsAfterPass;
};

} // namespace qv
