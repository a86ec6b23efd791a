#pragma once

#include "model/LayoutReaderBase.h"

namespace qv {

// The layout reader of the SpringBoard extension and the Settings bundle.
// It places icons where the file says to the fraction, so origins keep
// their fractions; it has no may-overwrite test, and its extraction gives
// the two icon lists only.
class QVLayoutReader : public LayoutReaderBase {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<QVLayoutReader> create();

    // "x" and "y" read as single-precision numbers.
    CGPoint iconOriginFromIconData(const RefPtr<NSObject>& iconData) const override;

    std::string className() const override { return "QVLayoutReader"; }

private:
    QVLayoutReader() = default;
};

} // namespace qv
