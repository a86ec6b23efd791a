#pragma once

#include "UIColor.h"

#include "platform/Foundation/NSObject.h"

namespace qv {

// The drawing properties of a view's layer that the system sets: rounded
// corners, clipping to the bounds and a border. Every view has one.
class CALayer : public NSObject {
public:
    CALayer() = default;
    std::string className() const override { return "CALayer"; }

    CGFloat cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(CGFloat radius) { m_cornerRadius = radius; }

    // The same flag as the view's clipsToBounds.
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks) { m_masksToBounds = masks; }

    CGFloat borderWidth() const { return m_borderWidth; }
    void setBorderWidth(CGFloat width) { m_borderWidth = width; }

    // Opaque black until set, as on the device.
    RefPtr<UIColor> borderColor() const { return m_borderColor; }
    void setBorderColor(RefPtr<UIColor> color) { m_borderColor = std::move(color); }

protected:
    ~CALayer() override = default;

private:
    CGFloat m_cornerRadius = 0;
    bool m_masksToBounds = false;
    CGFloat m_borderWidth = 0;
    RefPtr<UIColor> m_borderColor = UIColor::blackColor();
};

} // namespace qv
