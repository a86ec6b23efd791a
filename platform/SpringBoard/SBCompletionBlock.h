#pragma once

#include "platform/Foundation/NSObject.h"

#include <functional>

namespace qv {

// A block that SpringBoard calls when something it began has finished,
// passed as an object in messages such as pushFolder:animated:completion:.
class SBCompletionBlock : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<SBCompletionBlock> create(std::function<void(bool finished)> block);

    std::string className() const override { return "NSBlock"; }

    void invoke(bool finished) const;

private:
    explicit SBCompletionBlock(std::function<void(bool)> block) : m_block(std::move(block)) {}

    std::function<void(bool)> m_block;
};

} // namespace qv
