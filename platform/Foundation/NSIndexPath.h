#pragma once

#include "platform/Foundation/NSObject.h"

#include <initializer_list>
#include <vector>

namespace qv {

// A path of indexes into nested lists: for an icon, the page it is on and
// its place on that page. Immutable.
class NSIndexPath : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSIndexPath> indexPathWithIndexes(std::vector<NSUInteger> indexes);
    static Ref<NSIndexPath> indexPathWithIndexes(std::initializer_list<NSUInteger> indexes)
    {
        return indexPathWithIndexes(std::vector<NSUInteger>(indexes));
    }

    NSUInteger length() const { return m_indexes.size(); }
    // NSNotFound for a position past the end, as on the device.
    NSUInteger indexAtPosition(NSUInteger position) const;

    std::string className() const override { return "NSIndexPath"; }
    // "<NSIndexPath> {length = 2, path = 0 - 3}"
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    explicit NSIndexPath(std::vector<NSUInteger> indexes) : m_indexes(std::move(indexes)) {}

    const std::vector<NSUInteger> m_indexes;
};

} // namespace qv
