#include "UIViewAnimator.h"

#include "UIKitTesting.h"
#include "UIView.h"

#include "platform/Foundation/DispatchQueue.h"
#include "platform/Foundation/VirtualClock.h"
#include "platform/core/Log.h"

#include <cmath>
#include <cstdint>

namespace qv {

namespace {

constexpr size_t traceLimit = 10000;
constexpr double defaultDuration = 0.2;

// Durations and delays that are negative or not numbers count as none.
double sanitizedSeconds(double seconds)
{
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

UIViewAnimationCurve curveOfOptions(uint64_t options)
{
    return static_cast<UIViewAnimationCurve>((options >> 16) & 3);
}

} // namespace

UIViewAnimator& UIViewAnimator::shared()
{
    static UIViewAnimator* animator = new UIViewAnimator; // lives as long as the process
    return *animator;
}

ScopedAnimationTrace::ScopedAnimationTrace()
{
    clear();
    UIViewAnimator::shared().m_tracing = true;
}

ScopedAnimationTrace::~ScopedAnimationTrace()
{
    clear();
    UIViewAnimator::shared().m_tracing = false;
}

std::vector<UIViewAnimationTraceEntry> ScopedAnimationTrace::entries() const
{
    const auto& entries = UIViewAnimator::shared().m_trace;
    return { entries.begin(), entries.end() };
}

void ScopedAnimationTrace::clear()
{
    UIViewAnimator& animator = UIViewAnimator::shared();
    animator.m_traceSequenceOfFront += animator.m_trace.size();
    animator.m_trace.clear();
}

size_t UIViewAnimator::runningCount()
{
    return shared().m_running;
}

size_t UIViewAnimator::appendToTrace(UIViewAnimationTraceEntry entry)
{
    if (!m_tracing)
        return SIZE_MAX; // no entry to update
    m_trace.push_back(std::move(entry));
    if (m_trace.size() > traceLimit) {
        m_trace.pop_front();
        ++m_traceSequenceOfFront;
    }
    return m_traceSequenceOfFront + m_trace.size() - 1;
}

UIViewAnimationTraceEntry* UIViewAnimator::openEntry()
{
    if (m_openBlocks.empty())
        return nullptr;
    size_t sequence = m_openBlocks.back().traceSequence;
    if (sequence < m_traceSequenceOfFront || sequence - m_traceSequenceOfFront >= m_trace.size())
        return nullptr; // its entry was cleared from the trace meanwhile
    return &m_trace[sequence - m_traceSequenceOfFront];
}

UIViewAnimationState* UIViewAnimator::openOwner()
{
    if (m_openBlocks.empty() || !m_openBlocks.back().ownsStop)
        return nullptr;
    return m_openBlocks.back().owner.ptr();
}

void UIViewAnimator::begin(const std::string& name, void* context)
{
    UIViewAnimationTraceEntry entry;
    entry.name = name;
    entry.duration = defaultDuration;
    entry.nested = !m_openBlocks.empty();
    size_t sequence = appendToTrace(entry);
    if (!m_openBlocks.empty()) {
        m_openBlocks.push_back({ m_openBlocks.back().owner, false, sequence, true });
        return;
    }
    Ref<UIViewAnimationState> state = makeRef<UIViewAnimationState>();
    state->name = name;
    state->context = context;
    state->duration = defaultDuration;
    m_openBlocks.push_back({ state, true, sequence, true });
}

void UIViewAnimator::commit()
{
    if (m_openBlocks.empty())
        return;
    if (!m_openBlocks.back().closedByCommit) {
        logLine("UIView: a commit inside animations of the block form has no block of its own to close; it does nothing");
        return;
    }
    Block block = m_openBlocks.back();
    m_openBlocks.pop_back();
    if (block.ownsStop)
        start(block.owner);
}

void UIViewAnimator::animate(double duration, double delay, uint64_t options,
    const std::function<void()>& animations, std::function<void(bool)> completion)
{
    UIViewAnimationTraceEntry entry;
    entry.duration = sanitizedSeconds(duration);
    entry.delay = sanitizedSeconds(delay);
    entry.curve = curveOfOptions(options);
    entry.beginsFromCurrentState = options & UIViewAnimationOptionBeginFromCurrentState;
    entry.options = options;
    entry.blockForm = true;
    size_t sequence = appendToTrace(entry);

    Ref<UIViewAnimationState> state = makeRef<UIViewAnimationState>();
    state->duration = entry.duration;
    state->delay = entry.delay;
    state->completion = std::move(completion);
    const size_t depth = m_openBlocks.size();
    m_openBlocks.push_back({ state, true, sequence, false });
    if (animations)
        animations();
    // The animations may have left begin/commit blocks open; they end with
    // this block, which owns them. Blocks opened before it stay open.
    m_openBlocks.erase(m_openBlocks.begin() + static_cast<std::ptrdiff_t>(depth), m_openBlocks.end());
    start(state);
}

void UIViewAnimator::start(Ref<UIViewAnimationState> state)
{
    ++m_running;
    // The end is reported on the main run loop, never before the commit
    // returns, also for an animation of no duration.
    DispatchQueue::mainQueue().after(VirtualClock::now() + state->delay + state->duration, [state] { finish(state); });
}

void UIViewAnimator::finish(UIViewAnimationState& state)
{
    if (state.stopped)
        return;
    state.stopped = true;
    --shared().m_running;
    const bool finished = !state.interrupted;
    // Take everything out first: the calls may start new animations, and
    // what they captured must not outlive them.
    RefPtr<Object> delegate = std::move(state.delegate);
    UIViewAnimationDidStop didStop = std::move(state.didStop);
    std::function<void(bool)> completion = std::move(state.completion);
    didStop(delegate.get(), state.name, finished, state.context);
    if (completion)
        completion(finished);
}

void UIViewAnimator::recordChange(UIView& view, UIViewAnimatedProperty property)
{
    if (m_openBlocks.empty())
        return;
    Ref<UIViewAnimationState> owner = m_openBlocks.back().owner;
    WeakPtr<UIViewAnimationState>& last = view.m_animations[property];
    if (RefPtr<UIViewAnimationState> previous = last.lock()) {
        if (previous.get() != owner.ptr() && !previous->stopped)
            previous->interrupted = true;
    }
    last = owner;
}

// The calls of UIView.

void UIView::beginAnimations(const std::string& animationID, void* context)
{
    UIViewAnimator::shared().begin(animationID, context);
}

void UIView::commitAnimations()
{
    UIViewAnimator::shared().commit();
}

void UIView::setAnimationDuration(double duration)
{
    UIViewAnimator& animator = UIViewAnimator::shared();
    if (UIViewAnimationTraceEntry* entry = animator.openEntry())
        entry->duration = sanitizedSeconds(duration);
    if (UIViewAnimationState* owner = animator.openOwner())
        owner->duration = sanitizedSeconds(duration);
}

void UIView::setAnimationDelay(double delay)
{
    UIViewAnimator& animator = UIViewAnimator::shared();
    if (UIViewAnimationTraceEntry* entry = animator.openEntry())
        entry->delay = sanitizedSeconds(delay);
    if (UIViewAnimationState* owner = animator.openOwner())
        owner->delay = sanitizedSeconds(delay);
}

void UIView::setAnimationCurve(UIViewAnimationCurve curve)
{
    if (UIViewAnimationTraceEntry* entry = UIViewAnimator::shared().openEntry())
        entry->curve = curve;
}

void UIView::setAnimationBeginsFromCurrentState(bool fromCurrentState)
{
    if (UIViewAnimationTraceEntry* entry = UIViewAnimator::shared().openEntry())
        entry->beginsFromCurrentState = fromCurrentState;
}

void UIView::setAnimationDelegate(RefPtr<Object> delegate)
{
    if (UIViewAnimationState* owner = UIViewAnimator::shared().openOwner())
        owner->delegate = std::move(delegate);
}

void UIView::setAnimationDidStopSelector(UIViewAnimationDidStop callback)
{
    if (UIViewAnimationState* owner = UIViewAnimator::shared().openOwner())
        owner->didStop = std::move(callback);
}

void UIView::animateWithDuration(double duration, std::function<void()> animations)
{
    UIViewAnimator::shared().animate(duration, 0, 0, animations, nullptr);
}

void UIView::animateWithDuration(double duration, std::function<void()> animations, std::function<void(bool)> completion)
{
    UIViewAnimator::shared().animate(duration, 0, 0, animations, std::move(completion));
}

void UIView::animateWithDuration(double duration, double delay, UIViewAnimationOptions options,
    std::function<void()> animations, std::function<void(bool)> completion)
{
    UIViewAnimator::shared().animate(duration, delay, options, animations, std::move(completion));
}

void UIView::recordAnimatedChange(UIViewAnimatedProperty property)
{
    UIViewAnimator::shared().recordChange(*this, property);
}

} // namespace qv
