#include "SCNetworkReachabilityTesting.h"

#include <map>
#include <mutex>

namespace qv {

namespace {

using Answer = std::optional<SCNetworkReachabilityFlags>;

struct TestAnswers {
    std::mutex lock;
    std::optional<Answer> forEveryTarget;
    std::map<std::string, Answer> byTarget;
};

TestAnswers& testAnswers()
{
    // Never destroyed: targets may still ask while the process exits.
    static TestAnswers* answers = new TestAnswers;
    return *answers;
}

} // namespace

void SCNetworkReachabilityTesting::setAnswer(Answer flags)
{
    {
        std::lock_guard guard(testAnswers().lock);
        testAnswers().forEveryTarget = flags;
    }
    SCNetworkReachability::signalScheduledTargets();
}

void SCNetworkReachabilityTesting::setAnswer(const std::string& targetName, Answer flags)
{
    {
        std::lock_guard guard(testAnswers().lock);
        testAnswers().byTarget[targetName] = flags;
    }
    SCNetworkReachability::signalScheduledTargets();
}

void SCNetworkReachabilityTesting::clearAnswers()
{
    {
        std::lock_guard guard(testAnswers().lock);
        testAnswers().forEveryTarget.reset();
        testAnswers().byTarget.clear();
    }
    SCNetworkReachability::signalScheduledTargets();
}

std::optional<Answer> SCNetworkReachabilityTesting::answerFor(const std::string& targetName)
{
    std::lock_guard guard(testAnswers().lock);
    auto answer = testAnswers().byTarget.find(targetName);
    if (answer != testAnswers().byTarget.end())
        return answer->second;
    return testAnswers().forEveryTarget;
}

} // namespace qv
