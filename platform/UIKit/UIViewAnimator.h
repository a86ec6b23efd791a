#pragma once

#include "UIViewAnimation.h"

#include "platform/core/Ref.h"

#include <deque>
#include <vector>

namespace qv {

class UIView;

// One running animation: what its end reports, and whether a later
// animation took over one of its changes.
class UIViewAnimationState : public Object {
public:
    std::string name;
    void* context = nullptr;
    double duration = 0;
    double delay = 0;
    RefPtr<Object> delegate; // kept until the end is reported
    UIViewAnimationDidStop didStop;
    std::function<void(bool finished)> completion;
    bool interrupted = false;
    bool stopped = false;
};

// The process-wide bookkeeping behind UIView's animation calls (rules in
// UIViewAnimation.h). Main thread only.
class UIViewAnimator {
public:
    // Animations whose end has not been reported yet.
    static size_t runningCount();

private:
    friend class UIView;
    friend class ScopedAnimationTrace;

    static UIViewAnimator& shared();

    void begin(const std::string& name, void* context);
    void commit();
    void animate(double duration, double delay, uint64_t options, const std::function<void()>& animations,
        std::function<void(bool)> completion);
    void recordChange(UIView& view, UIViewAnimatedProperty property);

    // The settings of the innermost open block, or null outside any block.
    UIViewAnimationTraceEntry* openEntry();
    // The open block that owns the did-stop call: null inside a nested one.
    UIViewAnimationState* openOwner();

    void start(Ref<UIViewAnimationState> state);
    static void finish(UIViewAnimationState& state);
    size_t appendToTrace(UIViewAnimationTraceEntry entry);

    struct Block {
        Ref<UIViewAnimationState> owner;
        bool ownsStop;
        size_t traceSequence;
        // A begin/commit block; the block form's own block is closed by
        // the block form alone, never by a commit.
        bool closedByCommit;
    };
    std::vector<Block> m_openBlocks;
    // Kept only while a test traces animations.
    bool m_tracing = false;
    std::deque<UIViewAnimationTraceEntry> m_trace;
    size_t m_traceSequenceOfFront = 0;
    size_t m_running = 0;
};

} // namespace qv
