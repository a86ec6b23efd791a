#pragma once

#include "SCNetworkReachability.h"

#include <optional>
#include <string>

namespace qv {

// Test seam: answers that stand in for the routing tables'. Setting or
// clearing one makes every target scheduled on a run loop look at its
// flags again there, as a change of the routing tables does.
class SCNetworkReachabilityTesting {
public:
    // Every target answers these flags from now on, or, with none, cannot
    // read its flags at all.
    static void setAnswer(std::optional<SCNetworkReachabilityFlags> flags);
    // The same for one target, by its name (a host name as given, or an
    // address as text); it wins over the answer for every target.
    static void setAnswer(const std::string& targetName, std::optional<SCNetworkReachabilityFlags> flags);
    // Back to the routing tables.
    static void clearAnswers();

    // The test's answer for the target, when a test gave one.
    static std::optional<std::optional<SCNetworkReachabilityFlags>> answerFor(const std::string& targetName);
};

// Clears the test answers when it goes, so that no test leaks its answers
// into the next one.
class ScopedReachabilityAnswers {
public:
    ScopedReachabilityAnswers() = default;
    ~ScopedReachabilityAnswers() { SCNetworkReachabilityTesting::clearAnswers(); }
    ScopedReachabilityAnswers(const ScopedReachabilityAnswers&) = delete;
    ScopedReachabilityAnswers& operator=(const ScopedReachabilityAnswers&) = delete;
};

} // namespace qv
