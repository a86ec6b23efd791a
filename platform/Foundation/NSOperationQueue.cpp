#include "NSOperationQueue.h"

#include <algorithm>
#include <thread>
#include <unordered_map>

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
    // What the operations say of themselves is asked with no lock of the
    // queue held: an operation may tell its observers (this queue) of a
    // change while it holds a lock of its own, which its isCancelled or
    // isReady take too, so asking under the queue's lock could deadlock.
    // A state that changes after it was read calls this again.
    struct Reading {
        Ref<NSOperation> operation;
        bool finished;
        bool startable;
        NSOperationQueuePriority priority;
    };
    std::vector<Reading> readings;
    for (const auto& [operation, started] : entriesSnapshot()) {
        if (started)
            readings.push_back({ operation, operation->isFinished(), false, NSOperationQueuePriorityNormal });
        else // a cancelled operation is started at once, to end itself
            readings.push_back({ operation, false, operation->isCancelled() || operation->isReady(), operation->queuePriority() });
    }
    std::unordered_map<const NSOperation*, const Reading*> readingOf;
    for (const auto& read : readings)
        readingOf.emplace(read.operation.ptr(), &read);
    // None for an operation added after the readings were taken.
    auto reading = [&readingOf](const NSOperation& operation) -> const Reading* {
        auto found = readingOf.find(&operation);
        return found == readingOf.end() ? nullptr : found->second;
    };

    std::vector<Ref<NSOperation>> toStart;
    std::vector<Entry> finished; // let go after the lock
    {
        std::lock_guard lock(m_lock);
        for (auto entry = m_entries.begin(); entry != m_entries.end();) {
            const Reading* read = reading(entry->operation);
            if (entry->started && read && read->finished) {
                finished.push_back(std::move(*entry));
                entry = m_entries.erase(entry);
            } else {
                ++entry;
            }
        }
        if (!finished.empty())
            m_finished.notify_all();
        if (m_suspended)
            return;
        const long width = m_width < 0 ? systemWidth : m_width;
        long running = std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.started; });
        while (running < width) {
            Entry* next = nullptr;
            NSOperationQueuePriority nextPriority = NSOperationQueuePriorityNormal;
            for (auto& entry : m_entries) {
                const Reading* read = entry.started ? nullptr : reading(entry.operation);
                if (!read || !read->startable)
                    continue;
                if (!next || read->priority > nextPriority) {
                    next = &entry;
                    nextPriority = read->priority;
                }
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

std::vector<std::pair<Ref<NSOperation>, bool>> NSOperationQueue::entriesSnapshot() const
{
    std::lock_guard lock(m_lock);
    std::vector<std::pair<Ref<NSOperation>, bool>> entries;
    entries.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        entries.emplace_back(entry.operation, entry.started);
    return entries;
}

} // namespace qv
