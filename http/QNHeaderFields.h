#pragma once

#include "platform/Foundation/NSDictionary.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

// Header fields kept in a dictionary are named as the server wrote them;
// HTTP names them without regard to case. These look them up that way.

// The key under which the field is kept, in whatever case.
std::optional<std::string> headerFieldName(const NSDictionary& headers, const std::string& name);
std::optional<std::string> headerFieldValue(const NSDictionary& headers, const std::string& name);
void removeHeaderField(NSDictionary& headers, const std::string& name);
// The directive names of a list-valued field ("no-cache, max-age=0" gives
// "no-cache" and "max-age"), in lower case.
std::vector<std::string> headerDirectives(const std::string& value);

} // namespace qv
