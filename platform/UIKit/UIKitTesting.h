#pragma once

// UIKit's test seams: what tests may change in the process that the system
// itself never does. Only tests include this header.

#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIViewAnimation.h"

#include <vector>

namespace qv {

// Makes the profile the one the main screen and the current device answer.
void applyDeviceProfile(const DeviceProfile& profile);

// While alive, every animation begun is written to a trace (the last
// 10,000), oldest first; without one nothing is recorded. Traces do not
// nest: the trace starts empty and ends with the object.
class ScopedAnimationTrace {
public:
    ScopedAnimationTrace();
    ~ScopedAnimationTrace();
    ScopedAnimationTrace(const ScopedAnimationTrace&) = delete;
    ScopedAnimationTrace& operator=(const ScopedAnimationTrace&) = delete;

    std::vector<UIViewAnimationTraceEntry> entries() const;
    void clear();
};

} // namespace qv
