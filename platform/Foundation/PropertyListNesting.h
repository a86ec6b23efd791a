#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

// libplist builds a property list by recursion, one call per level, and
// its binary reader expands an object each time it is referenced. These
// checks run before it sees a document, so that a hostile file can neither
// exhaust the stack nor make millions of objects out of a few bytes.
struct PropertyListLimits {
    unsigned maximumDepth;    // values nested in one another, the top one included
    size_t maximumObjects;    // values once every reference is expanded
};

// For a binary property list ("bplist00"): false when its structure is
// malformed (a reference past the object table, a container running past
// the data, a cycle) or it goes beyond the limits.
bool binaryPropertyListFits(std::string_view bytes, const PropertyListLimits& limits);

// For an XML property list: false when it is not well-formed XML, declares
// entities or an internal document type subset, or goes beyond the limits.
bool xmlPropertyListFits(std::string_view bytes, const PropertyListLimits& limits);

} // namespace qv
