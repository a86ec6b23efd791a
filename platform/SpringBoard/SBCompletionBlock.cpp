#include "SBCompletionBlock.h"

namespace qv {

Ref<SBCompletionBlock> SBCompletionBlock::create(std::function<void(bool finished)> block)
{
    return makeRef<SBCompletionBlock>(std::move(block));
}

void SBCompletionBlock::invoke(bool finished) const
{
    if (m_block)
        m_block(finished);
}

} // namespace qv
