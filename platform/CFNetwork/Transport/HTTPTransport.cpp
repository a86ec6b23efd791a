#include "HTTPTransport.h"

#include "HTTPTransfer.h"

#include <curl/curl.h>

namespace qv {

HTTPTransport& HTTPTransport::shared()
{
    // Never destroyed: its thread serves the process to the very end, and
    // a static destructor would pull the multi handle from under it.
    static HTTPTransport& transport = *new HTTPTransport;
    return transport;
}

HTTPTransport::HTTPTransport()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    m_thread = std::thread([this] { run(); });
    m_thread.detach();
}

void HTTPTransport::post(std::function<void()> command)
{
    {
        std::lock_guard lock(m_lock);
        m_commands.push_back(std::move(command));
    }
    curl_multi_wakeup(static_cast<CURLM*>(m_multi));
}

void HTTPTransport::add(HTTPTransfer& transfer)
{
    post([this, transfer = Ref<HTTPTransfer>(transfer)] {
        CURL* easy = takeEasyHandle();
        const int result = easy ? transfer->configure(easy) : CURLE_OUT_OF_MEMORY;
        if (result != CURLE_OK) {
            if (easy)
                giveBackEasyHandle(easy);
            transfer->freeLists();
            transfer->m_easy = nullptr;
            transfer->finish(result, 0, false);
            return;
        }
        if (const uint64_t group = transfer->m_request.connectionGroup)
            curl_easy_setopt(static_cast<CURL*>(easy), CURLOPT_SHARE, groupShare(group));
        m_running.emplace(easy, transfer);
        curl_multi_add_handle(static_cast<CURLM*>(m_multi), easy);
    });
}

void HTTPTransport::remove(HTTPTransfer& transfer)
{
    post([this, transfer = Ref<HTTPTransfer>(transfer)] {
        if (transfer->m_easy && m_running.count(transfer->m_easy))
            detach(transfer->m_easy);
    });
}

void HTTPTransport::resume(HTTPTransfer& transfer)
{
    post([this, transfer = Ref<HTTPTransfer>(transfer)] {
        if (transfer->m_easy && m_running.count(transfer->m_easy) && transfer->wantsResume())
            curl_easy_pause(static_cast<CURL*>(transfer->m_easy), CURLPAUSE_CONT);
    });
}

void HTTPTransport::detach(void* easy)
{
    auto found = m_running.find(easy);
    Ref<HTTPTransfer> transfer = found->second;
    m_running.erase(found);
    curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(easy));
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
}

uint64_t HTTPTransport::openConnectionGroup()
{
    return m_nextGroup++;
}

void HTTPTransport::closeConnectionGroup(uint64_t group)
{
    // Commands run in order: the transfers of the group given before were
    // added and, when cancelled, removed before this runs.
    post([this, group] {
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

void HTTPTransport::runCommands()
{
    std::deque<std::function<void()>> commands;
    {
        std::lock_guard lock(m_lock);
        commands.swap(m_commands);
    }
    for (auto& command : commands)
        command();
}

void HTTPTransport::collectFinished()
{
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
        detach(easy);
        transfer->finish(result, osErrno, headerBytes > 0);
    }
}

void HTTPTransport::deliverAfterPass(HTTPTransfer& transfer)
{
    m_eventsAfterPass.emplace_back(transfer);
}

void HTTPTransport::deliverEvents()
{
    // A handler may start or cancel transfers: those post commands, and
    // nothing here is changed under the loop.
    std::vector<Ref<HTTPTransfer>> transfers;
    transfers.swap(m_eventsAfterPass);
    for (auto& transfer : transfers)
        transfer->deliverPendingEvents();
}

void HTTPTransport::run()
{
    CURLM* multi = static_cast<CURLM*>(m_multi);
    for (;;) {
        runCommands();
        int running = 0;
        curl_multi_perform(multi, &running);
        collectFinished();
        deliverEvents();
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
}

} // namespace qv
