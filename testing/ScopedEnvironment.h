#pragma once

#include <optional>
#include <string>

namespace qv::testing {

// Sets (or with no value, unsets) an environment variable for the life of
// the object and puts the old value back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, std::optional<std::string> value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace qv::testing
