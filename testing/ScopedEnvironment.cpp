#include "ScopedEnvironment.h"

#include <cstdlib>

namespace qv::testing {

static void assign(const std::string& name, const std::optional<std::string>& value)
{
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
}

ScopedEnvironment::ScopedEnvironment(std::string name, std::optional<std::string> value)
    : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str()))
        m_old = old;
    assign(m_name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    assign(m_name, m_old);
}

} // namespace qv::testing
