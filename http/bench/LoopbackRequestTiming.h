#pragma once

// What the benchmarks that time one answer through the library against the
// curl program share: the clock, the median, and one timed round of each.
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace qv::bench {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One asynchronous request, the main run loop turning until it ends; its
// time goes to `seconds`.
inline Ref<QNHTTPRequest> timedAsynchronousRequest(const std::string& url, double& seconds)
{
    const auto start = std::chrono::steady_clock::now();
    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
    request->setTimeOutSeconds(60);
    request->startAsynchronous();
    while (!request->isFinished())
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::realNow() + 0.001);
    seconds = secondsSince(start);
    return request;
}

// The curl program fetching the URL with the options (the body dropped);
// the time, or a negative one when it failed.
inline double timedCurl(const std::string& options, const std::string& url)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string command = "curl -s -o /dev/null " + options + " '" + url + "'";
    return std::system(command.c_str()) == 0 ? secondsSince(start) : -1;
}

} // namespace qv::bench
