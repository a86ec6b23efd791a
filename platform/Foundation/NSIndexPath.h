#pragma once

#include "platform/Foundation/FoundationTypes.h"
#include "platform/Foundation/NSObject.h"

namespace qv {

// A row of a section of a table. Index paths compare by value, section
// first.
class NSIndexPath : public NSObject {
public:
    std::string className() const override { return "NSIndexPath"; }
    static Ref<NSIndexPath> indexPathForRow(NSInteger row, NSInteger inSection);

    NSInteger section() const { return m_section; }
    NSInteger row() const { return m_row; }

    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;
    // NSOrderedAscending (-1), NSOrderedSame (0) or NSOrderedDescending (1).
    int compare(const NSIndexPath& other) const;

protected:
    ~NSIndexPath() override = default;

private:
    QV_MAKE_REF_FRIEND;
    NSIndexPath(NSInteger section, NSInteger row) : m_section(section), m_row(row) {}

    NSInteger m_section;
    NSInteger m_row;
};

} // namespace qv
