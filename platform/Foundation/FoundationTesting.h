#pragma once

// Foundation's test seams: what tests may change in the process that the
// system itself never does. Only tests include this header.

#include <functional>
#include <string>

namespace qv {

// While alive, the swaps of two files by which a replacement writes over
// the file it read (and puts back a file it should not have swapped out)
// are made by the function given: it gets the two paths and answers as the
// swap does (0, or the error number), so that a test can act between the
// swaps or make one fail.
class ScopedFileSwap {
public:
    using Swap = std::function<int(const std::string& first, const std::string& second)>;
    explicit ScopedFileSwap(Swap swap);
    ~ScopedFileSwap();
    ScopedFileSwap(const ScopedFileSwap&) = delete;
    ScopedFileSwap& operator=(const ScopedFileSwap&) = delete;

private:
    Swap m_previous;
};

// While alive, loads that name no time-out of their own give up after the
// given seconds instead of the usual ten, so a test of a silent server
// does not wait for real time-outs.
class ScopedURLLoadTimeout {
public:
    explicit ScopedURLLoadTimeout(double seconds);
    ~ScopedURLLoadTimeout();
    ScopedURLLoadTimeout(const ScopedURLLoadTimeout&) = delete;
    ScopedURLLoadTimeout& operator=(const ScopedURLLoadTimeout&) = delete;

private:
    double m_previous;
};

} // namespace qv
