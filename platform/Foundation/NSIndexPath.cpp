#include "NSIndexPath.h"

namespace qv {

Ref<NSIndexPath> NSIndexPath::indexPathWithIndexes(std::vector<NSUInteger> indexes)
{
    return makeRef<NSIndexPath>(std::move(indexes));
}

NSUInteger NSIndexPath::indexAtPosition(NSUInteger position) const
{
    return position < m_indexes.size() ? m_indexes[position] : NSNotFound;
}

std::string NSIndexPath::description() const
{
    std::string path;
    for (size_t i = 0; i < m_indexes.size(); ++i)
        path += (i ? " - " : "") + std::to_string(m_indexes[i]);
    return "<NSIndexPath> {length = " + std::to_string(m_indexes.size()) + ", path = " + path + "}";
}

bool NSIndexPath::isEqual(const NSObject* other) const
{
    auto* path = dynamic_cast<const NSIndexPath*>(other);
    return path && path->m_indexes == m_indexes;
}

NSUInteger NSIndexPath::hash() const
{
    NSUInteger hash = m_indexes.size();
    for (NSUInteger index : m_indexes)
        hash = hash * 31 + index;
    return hash;
}

} // namespace qv
