#include "NSIndexPath.h"

#include "StringFormat.h"

namespace qv {

Ref<NSIndexPath> NSIndexPath::indexPathForRow(NSInteger row, NSInteger inSection)
{
    return makeRef<NSIndexPath>(inSection, row);
}

std::string NSIndexPath::description() const
{
    return stringWithFormat("<NSIndexPath: {length = 2, path = %ld - %ld}>", m_section, m_row);
}

bool NSIndexPath::isEqual(const NSObject* other) const
{
    const auto* path = dynamic_cast<const NSIndexPath*>(other);
    return path && path->m_section == m_section && path->m_row == m_row;
}

NSUInteger NSIndexPath::hash() const
{
    return static_cast<NSUInteger>(m_section) * 1000003u + static_cast<NSUInteger>(m_row);
}

int NSIndexPath::compare(const NSIndexPath& other) const
{
    if (m_section != other.m_section)
        return m_section < other.m_section ? -1 : 1;
    if (m_row != other.m_row)
        return m_row < other.m_row ? -1 : 1;
    return 0;
}

} // namespace qv
