#pragma once

#include "platform/Foundation/BinaryPropertyList.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/PropertyListExtent.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reads a binary property list straight into values, in two passes. The
// first walks the objects once each, depth first with a stack of its own:
// it checks the structure (references, counts, cycles, keys), reads every
// text, number, date and data object into a value, and measures what each
// container expands to however often it is referenced
// (PropertyListExtent), so that a small file whose objects share
// references is refused before anything is expanded. The second builds
// the containers, each reference its own copy (containers are mutable),
// sharing the leaf values, which are not.
class BinaryPropertyListReader {
public:
    // The value at the top; nothing, with the reason in `error`, when the
    // document is refused.
    static RefPtr<NSObject> read(std::string_view bytes, std::string& error);

private:
    explicit BinaryPropertyListReader(std::string_view bytes) : m_list(bytes) {}

    // What the first pass learnt of an object.
    struct Measured {
        enum class State : uint8_t { Unvisited, OnPath, Done } state = State::Unvisited;
        RefPtr<NSObject> leaf;
        std::optional<PropertyListExtent> extent;
    };
    // A container on the first pass's path.
    struct Frame {
        uint64_t object;
        BinaryPropertyList::Members members;
        PropertyListExtent extent;
        uint64_t nextMember = 0;
    };

    bool measure();
    bool enter(uint64_t object);
    bool measureLeaf(uint64_t object, const BinaryPropertyList::Object& marker);
    bool fold(Frame& container, uint64_t member, bool isKey);
    RefPtr<NSObject> leafValue(const BinaryPropertyList::Object& marker);
    Ref<NSObject> build(uint64_t object);
    bool fail(std::string reason);

    BinaryPropertyList m_list;
    std::vector<Measured> m_measured;
    std::vector<Frame> m_path;
    std::string m_error;
};

} // namespace qv
