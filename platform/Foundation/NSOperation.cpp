#include "NSOperation.h"

#include <algorithm>

namespace qv {

Ref<NSOperation> NSOperation::operationWithBlock(std::function<void()> block)
{
    auto operation = makeRef<NSOperation>();
    operation->m_block = std::move(block);
    return operation;
}

void NSOperation::start()
{
    {
        std::lock_guard lock(m_lock);
        if (m_finished || m_executing)
            return;
        if (m_cancelled) {
            m_finished = true;
        } else {
            m_executing = true;
        }
    }
    if (!isFinished()) {
        didChangeState();
        if (m_block)
            m_block();
        else
            main();
        std::lock_guard lock(m_lock);
        m_executing = false;
        m_finished = true;
    }
    didChangeState();
}

void NSOperation::cancel()
{
    {
        std::lock_guard lock(m_lock);
        if (m_cancelled)
            return;
        m_cancelled = true;
    }
    didChangeState();
}

bool NSOperation::isCancelled() const
{
    std::lock_guard lock(m_lock);
    return m_cancelled;
}

bool NSOperation::isExecuting() const
{
    std::lock_guard lock(m_lock);
    return m_executing;
}

bool NSOperation::isFinished() const
{
    std::lock_guard lock(m_lock);
    return m_finished;
}

bool NSOperation::isReady() const
{
    for (const auto& dependency : dependencies())
        if (!dependency->isFinished())
            return false;
    return true;
}

void NSOperation::addDependency(NSOperation& operation)
{
    std::lock_guard lock(m_lock);
    if (&operation != this && std::find(m_dependencies.begin(), m_dependencies.end(), &operation) == m_dependencies.end())
        m_dependencies.emplace_back(operation);
}

void NSOperation::removeDependency(NSOperation& operation)
{
    {
        std::lock_guard lock(m_lock);
        std::erase(m_dependencies, &operation);
    }
    didChangeState();
}

std::vector<Ref<NSOperation>> NSOperation::dependencies() const
{
    std::lock_guard lock(m_lock);
    return m_dependencies;
}

NSOperationQueuePriority NSOperation::queuePriority() const
{
    std::lock_guard lock(m_lock);
    return m_priority;
}

void NSOperation::setQueuePriority(NSOperationQueuePriority priority)
{
    std::lock_guard lock(m_lock);
    m_priority = priority;
}

void NSOperation::addStateObserver(Object& owner, std::function<void(Object&)> observer)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_observers, [](const Observer& entry) { return !entry.owner; });
    m_observers.push_back({ WeakPtr<Object>(owner), std::move(observer) });
}

void NSOperation::didChangeState()
{
    std::vector<std::pair<RefPtr<Object>, std::function<void(Object&)>>> callbacks;
    {
        std::lock_guard lock(m_lock);
        for (const auto& observer : m_observers)
            if (auto owner = observer.owner.lock())
                callbacks.emplace_back(owner, observer.callback);
    }
    for (auto& [owner, callback] : callbacks)
        callback(*owner);
}

} // namespace qv
