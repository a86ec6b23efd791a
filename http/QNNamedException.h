#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// What the library raises where the device raises a named exception: a
// caller's fault it cannot report otherwise ("AttemptToAddInvalidRequest").
class QNNamedException : public std::logic_error {
public:
    QNNamedException(std::string name, const std::string& reason) : std::logic_error(reason), m_name(std::move(name)) {}
    const std::string& name() const { return m_name; }
    std::string reason() const { return what(); }

private:
    std::string m_name;
};

} // namespace qv
