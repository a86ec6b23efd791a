#include "NSValue.h"

#include <functional>

namespace qv {

Ref<NSValue> NSValue::valueWithCGPoint(CGPoint point) { return makeRef<NSValue>(Content(point)); }
Ref<NSValue> NSValue::valueWithCGSize(CGSize size) { return makeRef<NSValue>(Content(size)); }
Ref<NSValue> NSValue::valueWithCGRect(CGRect rect) { return makeRef<NSValue>(Content(rect)); }

CGPoint NSValue::CGPointValue() const
{
    auto* point = std::get_if<CGPoint>(&m_content);
    return point ? *point : CGPointZero;
}

CGSize NSValue::CGSizeValue() const
{
    auto* size = std::get_if<CGSize>(&m_content);
    return size ? *size : CGSizeZero;
}

CGRect NSValue::CGRectValue() const
{
    auto* rect = std::get_if<CGRect>(&m_content);
    return rect ? *rect : CGRectZero;
}

std::string NSValue::description() const
{
    if (auto* point = std::get_if<CGPoint>(&m_content))
        return "NSPoint: " + NSStringFromCGPoint(*point);
    if (auto* size = std::get_if<CGSize>(&m_content))
        return "NSSize: " + NSStringFromCGSize(*size);
    return "NSRect: " + NSStringFromCGRect(std::get<CGRect>(m_content));
}

bool NSValue::isEqual(const NSObject* other) const
{
    auto* value = dynamic_cast<const NSValue*>(other);
    return value && value->m_content == m_content;
}

NSUInteger NSValue::hash() const
{
    return std::hash<std::string>()(description());
}

} // namespace qv
