#pragma once

#include "platform/Foundation/NSOperation.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace qv {

inline constexpr long NSOperationQueueDefaultMaxConcurrentOperationCount = -1;

// Runs operations on threads of its own, at most a given number at once
// (changeable while it runs), ready ones first by priority and then in the
// order they were added. A suspended queue starts nothing new.
class NSOperationQueue : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSOperationQueue> create();

    void addOperation(NSOperation& operation);
    void addOperationWithBlock(std::function<void()> block);
    // The operations added and not yet finished, in the order added.
    std::vector<Ref<NSOperation>> operations() const;
    size_t operationCount() const;

    long maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(long count);
    bool isSuspended() const;
    void setSuspended(bool suspended);

    void cancelAllOperations();
    // Blocks until every operation added has finished.
    void waitUntilAllOperationsAreFinished();

    std::string className() const override { return "NSOperationQueue"; }

protected:
    NSOperationQueue() = default;

private:
    // Starts what may start now; called whenever an operation changes.
    void startReadyOperations();
    // Every operation with whether it was started, as they stand now.
    std::vector<std::pair<Ref<NSOperation>, bool>> entriesSnapshot() const;

    struct Entry {
        Ref<NSOperation> operation;
        bool started = false;
    };
    mutable std::mutex m_lock;
    std::condition_variable m_finished;
    std::vector<Entry> m_entries;
    long m_width = NSOperationQueueDefaultMaxConcurrentOperationCount;
    bool m_suspended = false;
};

} // namespace qv
