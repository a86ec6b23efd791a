#include "HTTPTransport.h"

#include "HTTPTransfer.h"

#include "platform/core/Log.h"

#include <curl/curl.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace qv {

namespace {

std::atomic<uint64_t> nextConnectionGroup { 1 };

// Rounds of commands and timer runs one settle may take before the rest
// waits for the next pass: curl asking to run "now" again and again must
// not hold its thread.
constexpr int settleRoundLimit = 64;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void arm(int timerFd, std::chrono::steady_clock::time_point when)
{
    // The steady clock is the monotonic one.
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    itimerspec due {};
    due.it_value.tv_sec = since / 1000000000;
    due.it_value.tv_nsec = since % 1000000000;
    if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0)
        due.it_value.tv_nsec = 1;
    timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &due, nullptr);
}

} // namespace

HTTPTransport& HTTPTransport::shared()
{
    // Never destroyed: its thread serves the process to the very end, and
    // a static destructor would pull the multi handle from under it.
    static HTTPTransport& transport = [] () -> HTTPTransport& {
        HTTPTransport* made = makeRef<HTTPTransport>().leak();
        std::thread([made] {
            made->m_owner = std::this_thread::get_id();
            for (;;) {
                pollfd ready { made->pollDescriptor(), POLLIN, 0 };
                if (poll(&ready, 1, -1) > 0)
                    made->processEvents();
            }
        }).detach();
        return *made;
    }();
    return transport;
}

Ref<HTTPTransport> HTTPTransport::createForCurrentThread()
{
    auto transport = makeRef<HTTPTransport>();
    transport->m_owner = std::this_thread::get_id();
    return transport;
}

HTTPTransport::HTTPTransport()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        logLine("HTTPTransport: curl did not initialise");
    m_epollFd = epoll_create1(EPOLL_CLOEXEC);
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (m_epollFd < 0 || m_wakeFd < 0 || m_timerFd < 0)
        logLine("HTTPTransport: cannot make the descriptors to wait on");
    for (int descriptor : { m_wakeFd, m_timerFd }) {
        epoll_event watched {};
        watched.events = EPOLLIN;
        watched.data.fd = descriptor;
        epoll_ctl(m_epollFd, EPOLL_CTL_ADD, descriptor, &watched);
    }

    CURLM* multi = curl_multi_init();
    m_multi = multi;
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, +[](CURL*, curl_socket_t socket, int what, void* context, void*) {
        static_cast<HTTPTransport*>(context)->watchSocket(socket, what);
        return 0;
    });
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, +[](CURLM*, long milliseconds, void* context) {
        static_cast<HTTPTransport*>(context)->setTimer(milliseconds);
        return 0;
    });
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
}

HTTPTransport::~HTTPTransport()
{
    // Nobody holds the transport any more, so nobody drives it either: what
    // is left can go from this thread.
    m_owner = std::this_thread::get_id();
    shutDown();
}

void HTTPTransport::setTransferLeftHandler(std::function<void(HTTPTransfer&)> handler)
{
    m_transferLeft = std::move(handler);
}

void HTTPTransport::wake()
{
    // Under the lock: shutDown() closes the descriptor under it, and its
    // number may name another file afterwards.
    std::lock_guard lock(m_lock);
    wakeLocked();
}

void HTTPTransport::wakeLocked()
{
    if (m_shutDown)
        return;
    uint64_t one = 1;
    while (write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) { }
}

bool HTTPTransport::execute(std::function<void()> command)
{
    if (isOwnerThread() && m_inCurl == 0) {
        if (!m_multi)
            return false;
        command();
        settle();
        // Events are told from processEvents() alone: the caller may hold
        // locks its handler takes.
        if (!m_eventsAfterPass.empty() && m_processing == 0)
            wake();
        return true;
    }
    std::lock_guard lock(m_lock);
    if (m_shutDown)
        return false;
    m_commands.push_back(std::move(command));
    // Inside curl on the owner thread, the caller's settle runs it.
    if (!isOwnerThread())
        wakeLocked();
    return true;
}

void HTTPTransport::add(HTTPTransfer& transfer)
{
    if (!execute([this, transfer = Ref<HTTPTransfer>(transfer)] { addNow(transfer); }))
        transfer.abandon();
}

void HTTPTransport::addNow(HTTPTransfer& transfer)
{
    if (transfer.isCancelled()) {
        transferLeft(transfer);
        return;
    }
    CURL* easy = static_cast<CURL*>(takeEasyHandle());
    const int result = easy ? transfer.configure(easy) : CURLE_OUT_OF_MEMORY;
    if (result != CURLE_OK) {
        if (easy)
            giveBackEasyHandle(easy);
        transfer.freeLists();
        transfer.m_easy = nullptr;
        transfer.finish(result, 0, false);
        transferLeft(transfer);
        return;
    }
    if (const uint64_t group = transfer.m_request.connectionGroup)
        curl_easy_setopt(easy, CURLOPT_SHARE, groupShare(group));
    // Connections made for the transfer tell the transport when they close.
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, +[](void* context, curl_socket_t socket) {
        static_cast<HTTPTransport*>(context)->socketClosed(socket);
        return close(socket);
    });
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    closeExpiredIdleConnections();
    m_running.emplace(easy, transfer);
    ++m_inCurl;
    curl_multi_add_handle(static_cast<CURLM*>(m_multi), easy);
    --m_inCurl;
}

void HTTPTransport::remove(HTTPTransfer& transfer)
{
    execute([this, transfer = Ref<HTTPTransfer>(transfer)] {
        if (transfer->m_easy && m_running.count(transfer->m_easy))
            detach(transfer->m_easy);
    });
}

void HTTPTransport::resume(HTTPTransfer& transfer)
{
    execute([this, transfer = Ref<HTTPTransfer>(transfer)] {
        if (!transfer->m_easy || !m_running.count(transfer->m_easy) || !transfer->wantsResume())
            return;
        // The bytes curl held back may reach the transfer from in here.
        ++m_inCurl;
        curl_easy_pause(static_cast<CURL*>(transfer->m_easy), CURLPAUSE_CONT);
        --m_inCurl;
    });
}

void HTTPTransport::detach(void* easy)
{
    auto found = m_running.find(easy);
    Ref<HTTPTransfer> transfer = found->second;
    m_running.erase(found);
    ++m_inCurl;
    curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(easy));
    --m_inCurl;
    // The handle leaves its group (a reset keeps it), so that the group can
    // go and the handle serve the shared pool again.
    const uint64_t group = transfer->m_request.connectionGroup;
    if (group)
        curl_easy_setopt(static_cast<CURL*>(easy), CURLOPT_SHARE, nullptr);
    giveBackEasyHandle(easy);
    if (group && m_closingGroups.count(group))
        releaseGroupIfUnused(group);
    transfer->freeLists();
    transfer->m_easy = nullptr;
    transferLeft(transfer);
}

void HTTPTransport::transferLeft(HTTPTransfer& transfer)
{
    // A transfer whose last events are still to be told has not left yet:
    // whoever waits for them must go on waiting for the transport.
    if (transfer.m_pendingEvents)
        transfer.m_leavesAfterEvents = true;
    else if (m_transferLeft)
        m_transferLeft(transfer);
}

uint64_t HTTPTransport::openConnectionGroup()
{
    return nextConnectionGroup++;
}

void HTTPTransport::closeConnectionGroup(uint64_t group)
{
    // Commands run in order: the transfers of the group given before were
    // added and, when cancelled, removed before this runs.
    execute([this, group] {
        m_closingGroups.insert(group);
        releaseGroupIfUnused(group);
    });
}

void HTTPTransport::releaseGroupIfUnused(uint64_t group)
{
    for (const auto& [easy, transfer] : m_running)
        if (transfer->m_request.connectionGroup == group)
            return;
    m_closingGroups.erase(group);
    auto found = m_groups.find(group);
    if (found == m_groups.end())
        return;
    // Closes the group's connections.
    curl_share_cleanup(static_cast<CURLSH*>(found->second));
    m_groups.erase(found);
}

void* HTTPTransport::groupShare(uint64_t group)
{
    auto found = m_groups.find(group);
    if (found != m_groups.end())
        return found->second;
    // A share of connections alone: the group's handles keep their
    // connections in it, apart from the multi handle's pool.
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    m_groups.emplace(group, share);
    return share;
}

void* HTTPTransport::takeEasyHandle()
{
    // Handles are reset and used again: making one costs more than a small
    // request's whole exchange.
    if (m_idleHandles.empty())
        return curl_easy_init();
    void* easy = m_idleHandles.back();
    m_idleHandles.pop_back();
    return easy;
}

void HTTPTransport::giveBackEasyHandle(void* easy)
{
    curl_easy_reset(static_cast<CURL*>(easy));
    if (m_idleHandles.size() < 64)
        m_idleHandles.push_back(easy);
    else
        curl_easy_cleanup(static_cast<CURL*>(easy));
}

void HTTPTransport::watchSocket(int socket, int what)
{
    // curl tells of every socket it closes (a removal) before it closes it,
    // so the set here is the one the kernel has.
    auto known = m_watchedSockets.find(socket);
    // A socket watched for nothing would still report a hang-up, again and
    // again: it leaves the set instead.
    if (what == CURL_POLL_REMOVE || what == CURL_POLL_NONE) {
        if (known != m_watchedSockets.end()) {
            m_watchedSockets.erase(known);
            epoll_ctl(m_epollFd, EPOLL_CTL_DEL, socket, nullptr);
        }
        return;
    }
    // A transfer uses the connection: it is idle no longer.
    m_idleWindows.erase(socket);
    const uint32_t events = ((what & CURL_POLL_IN) ? EPOLLIN : 0u) | ((what & CURL_POLL_OUT) ? EPOLLOUT : 0u);
    epoll_event watched {};
    watched.events = events;
    watched.data.fd = socket;
    if (known == m_watchedSockets.end()) {
        m_watchedSockets.emplace(socket, events);
        epoll_ctl(m_epollFd, EPOLL_CTL_ADD, socket, &watched);
    } else if (known->second != events) {
        known->second = events;
        epoll_ctl(m_epollFd, EPOLL_CTL_MOD, socket, &watched);
    }
}

void HTTPTransport::socketClosed(int socket)
{
    // The number may name another connection from now on.
    m_idleWindows.erase(socket);
}

void HTTPTransport::keepIdleWindow(const HTTPTransfer& transfer, void* easy)
{
    const std::optional<double> window = transfer.connectionReuseWindow();
    if (!window)
        return;
    // The socket of the connection curl kept; none when it closed it.
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(static_cast<CURL*>(easy), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK || socket == CURL_SOCKET_BAD)
        return;
    // Taken by another transfer already, in the same pass.
    if (m_watchedSockets.count(socket))
        return;
    const auto& clock = transfer.m_request.clock;
    m_idleWindows[socket] = { clock, (clock ? clock() : steadySeconds()) + *window };
}

void HTTPTransport::closeExpiredIdleConnections()
{
    std::erase_if(m_idleWindows, [](const auto& idle) {
        const auto& [socket, window] = idle;
        if ((window.clock ? window.clock() : steadySeconds()) < window.until)
            return false;
        // Closed for the server, and found closed by curl when it looks
        // for a connection to reuse, which then goes.
        shutdown(socket, SHUT_RDWR);
        return true;
    });
}

void HTTPTransport::setTimer(long milliseconds)
{
    if (milliseconds < 0) {
        // Left armed: a run-out that finds no due time costs less than
        // disarming after every exchange.
        m_timerDue.reset();
        return;
    }
    if (milliseconds == 0) {
        // Curl is inside a call of ours, whose settle runs it.
        m_timeoutDue = true;
        return;
    }
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    m_timerDue = due;
    // A later time than the armed one waits for the armed one to run out.
    if (!m_timerArmed || due < *m_timerArmed) {
        m_timerArmed = due;
        arm(m_timerFd, due);
    }
}

void HTTPTransport::timerRanOut()
{
    m_timerArmed.reset();
    if (!m_timerDue)
        return;
    if (*m_timerDue <= std::chrono::steady_clock::now()) {
        m_timerDue.reset();
        m_timeoutDue = true;
    } else {
        m_timerArmed = m_timerDue;
        arm(m_timerFd, *m_timerDue);
    }
}

void HTTPTransport::socketAction(int socket, int events)
{
    int running = 0;
    ++m_inCurl;
    curl_multi_socket_action(static_cast<CURLM*>(m_multi), socket, events, &running);
    --m_inCurl;
}

bool HTTPTransport::runCommands()
{
    std::deque<std::function<void()>> commands;
    {
        std::lock_guard lock(m_lock);
        commands.swap(m_commands);
    }
    for (auto& command : commands)
        command();
    return !commands.empty();
}

void HTTPTransport::settle()
{
    for (int round = 0;; ++round) {
        if (round == settleRoundLimit) {
            // The rest in the next pass, soon.
            if (m_timeoutDue) {
                m_timeoutDue = false;
                m_timerDue = m_timerArmed = std::chrono::steady_clock::now();
                arm(m_timerFd, *m_timerArmed);
            }
            break;
        }
        bool worked = runCommands();
        if (m_timeoutDue) {
            m_timeoutDue = false;
            socketAction(CURL_SOCKET_TIMEOUT, 0);
            worked = true;
        }
        worked |= collectFinished();
        if (!worked)
            break;
    }
}

bool HTTPTransport::collectFinished()
{
    bool collected = false;
    int remaining = 0;
    while (CURLMsg* message = curl_multi_info_read(static_cast<CURLM*>(m_multi), &remaining)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        auto found = m_running.find(easy);
        if (found == m_running.end())
            continue;
        Ref<HTTPTransfer> transfer = found->second;
        long osErrno = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
        long headerBytes = 0;
        curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &headerBytes);
        if (result == CURLE_OK)
            keepIdleWindow(*transfer, easy);
        // Told finished before it is said to have left, so that whoever
        // hears of the leaving finds it finished.
        transfer->finish(result, osErrno, headerBytes > 0);
        detach(easy);
        collected = true;
    }
    return collected;
}

void HTTPTransport::deliverAfterPass(HTTPTransfer& transfer)
{
    m_eventsAfterPass.emplace_back(transfer);
}

void HTTPTransport::deliverEvents()
{
    // A handler may start or cancel transfers: those run at once, and add
    // to a list of their own.
    std::vector<Ref<HTTPTransfer>> transfers;
    transfers.swap(m_eventsAfterPass);
    for (auto& transfer : transfers) {
        transfer->deliverPendingEvents();
        if (std::exchange(transfer->m_leavesAfterEvents, false) && m_transferLeft)
            m_transferLeft(transfer);
    }
}

void HTTPTransport::takeReadyDescriptors(std::vector<std::pair<int, int>>& sockets)
{
    epoll_event events[64];
    const int count = epoll_wait(m_epollFd, events, 64, 0);
    for (int index = 0; index < count; ++index) {
        const int descriptor = events[index].data.fd;
        const uint32_t flags = events[index].events;
        uint64_t value = 0;
        // One read takes an eventfd's or a timerfd's whole count.
        if (descriptor == m_wakeFd) {
            while (read(m_wakeFd, &value, sizeof value) < 0 && errno == EINTR) { }
        } else if (descriptor == m_timerFd) {
            while (read(m_timerFd, &value, sizeof value) < 0 && errno == EINTR) { }
            timerRanOut();
        } else {
            int action = 0;
            if (flags & (EPOLLIN | EPOLLHUP | EPOLLRDHUP))
                action |= CURL_CSELECT_IN;
            if (flags & EPOLLOUT)
                action |= CURL_CSELECT_OUT;
            if (flags & EPOLLERR)
                action |= CURL_CSELECT_ERR;
            sockets.emplace_back(descriptor, action);
        }
    }
}

void HTTPTransport::processEvents()
{
    if (!isOwnerThread() || !m_multi)
        return;
    ++m_processing;
    std::vector<std::pair<int, int>> sockets;
    takeReadyDescriptors(sockets);
    runCommands();
    for (const auto& [socket, events] : sockets) {
        if (!m_multi)
            break;
        socketAction(socket, events);
    }
    if (m_multi)
        settle();
    // Handlers may start, read or cancel transfers, which may bring more
    // events: told here too, before the loop waits again.
    while (m_multi && !m_eventsAfterPass.empty()) {
        deliverEvents();
        if (m_multi)
            settle();
    }
    --m_processing;
}

void HTTPTransport::shutDown()
{
    if (!isOwnerThread() || !m_multi)
        return;
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_lock);
        m_shutDown = true;
        dropped.swap(m_commands);
        close(m_wakeFd);
        m_wakeFd = -1;
    }
    CURLM* multi = static_cast<CURLM*>(m_multi);
    while (!m_running.empty()) {
        Ref<HTTPTransfer> transfer = m_running.begin()->second;
        transfer->abandon();
        detach(m_running.begin()->first);
    }
    m_eventsAfterPass.clear();
    m_idleWindows.clear();
    for (void* easy : m_idleHandles)
        curl_easy_cleanup(static_cast<CURL*>(easy));
    m_idleHandles.clear();
    // Closes the kept-alive connections; the groups' handles are gone, so
    // their shares can go with their connections too.
    curl_multi_cleanup(multi);
    m_multi = nullptr;
    for (auto& [group, share] : m_groups)
        curl_share_cleanup(static_cast<CURLSH*>(share));
    m_groups.clear();
    m_closingGroups.clear();
    for (int* descriptor : { &m_timerFd, &m_epollFd }) {
        if (*descriptor >= 0)
            close(*descriptor);
        *descriptor = -1;
    }
}

} // namespace qv
