#include "NSOperationQueue.h"

#include <algorithm>
#include <thread>

namespace qv {

namespace {

// The width of a queue left to the system.
constexpr long systemWidth = 64;

} // namespace

Ref<NSOperationQueue> NSOperationQueue::create()
{
    return makeRef<NSOperationQueue>();
}

void NSOperationQueue::addOperation(NSOperation& operation)
{
    auto observe = [](Object& owner) { dynamic_cast<NSOperationQueue&>(owner).startReadyOperations(); };
    operation.addStateObserver(*this, observe);
    // A dependency in another queue (or none) must wake this one too.
    for (const auto& dependency : operation.dependencies())
        dependency->addStateObserver(*this, observe);
    {
        std::lock_guard lock(m_lock);
        m_entries.push_back({ Ref<NSOperation>(operation) });
    }
    startReadyOperations();
}

void NSOperationQueue::addOperationWithBlock(std::function<void()> block)
{
    addOperation(NSOperation::operationWithBlock(std::move(block)));
}

std::vector<Ref<NSOperation>> NSOperationQueue::operations() const
{
    std::lock_guard lock(m_lock);
    std::vector<Ref<NSOperation>> operations;
    for (const auto& entry : m_entries)
        operations.push_back(entry.operation);
    return operations;
}

size_t NSOperationQueue::operationCount() const
{
    std::lock_guard lock(m_lock);
    return m_entries.size();
}

long NSOperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(m_lock);
    return m_width;
}

void NSOperationQueue::setMaxConcurrentOperationCount(long count)
{
    {
        std::lock_guard lock(m_lock);
        m_width = count;
    }
    startReadyOperations();
}

bool NSOperationQueue::isSuspended() const
{
    std::lock_guard lock(m_lock);
    return m_suspended;
}

void NSOperationQueue::setSuspended(bool suspended)
{
    {
        std::lock_guard lock(m_lock);
        m_suspended = suspended;
    }
    startReadyOperations();
}

void NSOperationQueue::cancelAllOperations()
{
    for (const auto& operation : operations())
        operation->cancel();
}

void NSOperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(m_lock);
    m_finished.wait(lock, [this] { return m_entries.empty(); });
}

void NSOperationQueue::startReadyOperations()
{
    std::vector<Ref<NSOperation>> toStart;
    {
        std::lock_guard lock(m_lock);
        const size_t before = m_entries.size();
        std::erase_if(m_entries, [](const Entry& entry) { return entry.started && entry.operation->isFinished(); });
        if (m_entries.size() != before)
            m_finished.notify_all();
        if (m_suspended)
            return;
        const long width = m_width < 0 ? systemWidth : m_width;
        long running = std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.started; });
        while (running < width) {
            // A cancelled operation is started at once, to end itself.
            Entry* next = nullptr;
            for (auto& entry : m_entries) {
                if (entry.started || !(entry.operation->isCancelled() || entry.operation->isReady()))
                    continue;
                if (!next || entry.operation->queuePriority() > next->operation->queuePriority())
                    next = &entry;
            }
            if (!next)
                break;
            next->started = true;
            toStart.push_back(next->operation);
            ++running;
        }
    }
    // Each start on a worker thread of its own, no lock held.
    for (auto& operation : toStart)
        std::thread([operation] { operation->start(); }).detach();
}

} // namespace qv
