#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/Geometry.h"

#include <variant>

namespace qv {

// A point, size or rectangle boxed as an object, for dictionaries held in
// memory. It is no property-list value: a property-list writer refuses it.
class NSValue : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSValue> valueWithCGPoint(CGPoint point);
    static Ref<NSValue> valueWithCGSize(CGSize size);
    static Ref<NSValue> valueWithCGRect(CGRect rect);

    // A box of another kind answers zero.
    CGPoint CGPointValue() const;
    CGSize CGSizeValue() const;
    CGRect CGRectValue() const;

    std::string className() const override { return "NSValue"; }
    // "NSPoint: {1, 2}", "NSSize: {3, 4}", "NSRect: {{1, 2}, {3, 4}}"
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    using Content = std::variant<CGPoint, CGSize, CGRect>;
    explicit NSValue(Content content) : m_content(content) {}

    const Content m_content;
};

} // namespace qv
