#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <functional>
#include <mutex>
#include <vector>

namespace qv {

// Relative order of ready operations in a queue.
enum NSOperationQueuePriority : long {
    NSOperationQueuePriorityVeryLow = -8,
    NSOperationQueuePriorityLow = -4,
    NSOperationQueuePriorityNormal = 0,
    NSOperationQueuePriorityHigh = 4,
    NSOperationQueuePriorityVeryHigh = 8,
};

// A unit of work for an operation queue. A plain operation runs main() in
// start() and is finished when it returns; a concurrent one (isConcurrent)
// only begins its work in start() and tells its observers through
// didChangeState() when isFinished has become true.
class NSOperation : public NSObject {
public:
    static Ref<NSOperation> operationWithBlock(std::function<void()> block);

    virtual void start();
    virtual void main() {}
    virtual void cancel();
    virtual bool isCancelled() const;
    virtual bool isExecuting() const;
    virtual bool isFinished() const;
    virtual bool isConcurrent() const { return false; }
    // Every dependency finished.
    bool isReady() const;

    void addDependency(NSOperation& operation);
    void removeDependency(NSOperation& operation);
    std::vector<Ref<NSOperation>> dependencies() const;

    NSOperationQueuePriority queuePriority() const;
    void setQueuePriority(NSOperationQueuePriority priority);

    // Calls the observers: the operation's executing, finished or cancelled
    // state changed. Called without any lock of the operation held.
    void didChangeState();
    // The observer runs on whatever thread changes the state, with its
    // owner, which it does not keep alive; it goes when the owner goes.
    void addStateObserver(Object& owner, std::function<void(Object& owner)> observer);

    std::string className() const override { return "NSOperation"; }

protected:
    NSOperation() = default;

private:
    QV_MAKE_REF_FRIEND;
    struct Observer {
        WeakPtr<Object> owner;
        std::function<void(Object&)> callback;
    };
    mutable std::mutex m_lock;
    std::vector<Ref<NSOperation>> m_dependencies;
    std::vector<Observer> m_observers;
    NSOperationQueuePriority m_priority = NSOperationQueuePriorityNormal;
    bool m_cancelled = false;
    bool m_executing = false;
    bool m_finished = false;
    std::function<void()> m_block;
};

} // namespace qv
