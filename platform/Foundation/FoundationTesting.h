#pragma once

// Foundation's test seams: what tests may change in the process that the
// system itself never does. Only tests include this header.

namespace qv {

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
