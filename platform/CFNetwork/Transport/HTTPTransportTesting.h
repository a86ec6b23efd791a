#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv {

// For tests only: answers host names in place of the system's resolver, so
// that a test of an unknown host sends no query off this machine. The
// resolver gives the address of a name, or nothing for a name that does
// not resolve; address literals are not asked. An empty function restores
// the system's resolver.
void setHostResolverForTesting(std::function<std::optional<std::string>(const std::string& host)> resolver);

} // namespace qv
