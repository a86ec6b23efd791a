#pragma once

#include "DefaultLayouts.h"

#include <string>

namespace qv {

// A layout file as an XML property list.
std::string layoutPropertyListXML(const LayoutFileContents& layout);

} // namespace qv
