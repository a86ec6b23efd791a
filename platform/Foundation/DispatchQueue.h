#pragma once

#include "platform/core/Ref.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace qv {

class NSRunLoop;

// A serial queue whose blocks run on a run loop; the system uses only the
// main queue, whose blocks run on the main run loop in the common modes,
// one after the other in the order they were queued.
class DispatchQueue : public Object {
public:
    static DispatchQueue& mainQueue();

    void async(std::function<void()> block);
    // Runs the block once the given absolute time (seconds) has come.
    void after(double date, std::function<void()> block);

private:
    QV_MAKE_REF_FRIEND;
    explicit DispatchQueue(Ref<NSRunLoop> runLoop);
    Ref<NSRunLoop> m_runLoop;
};

using dispatch_queue_t = DispatchQueue*;
using dispatch_block_t = std::function<void()>;
// Nanoseconds on the run loops' clock (the virtual one while a test has
// installed it).
using dispatch_time_t = uint64_t;
// The once-guard: the block runs exactly once even when first calls race,
// and racing callers return only after it has run.
using dispatch_once_t = std::once_flag;

constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
constexpr int64_t NSEC_PER_SEC = 1000000000;
constexpr int64_t NSEC_PER_MSEC = 1000000;

dispatch_queue_t dispatch_get_main_queue();
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block);
void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block);

} // namespace qv
