#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// What the device raises when a caller breaks a rule a class cannot
// recover from, such as a table update whose row counts do not add up. The
// system never raises it itself; it shows a fault of the caller.
class NSInternalInconsistencyException : public std::logic_error {
public:
    explicit NSInternalInconsistencyException(const std::string& reason) : std::logic_error(reason) {}
    std::string reason() const { return what(); }
};

} // namespace qv
