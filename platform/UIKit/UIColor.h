#pragma once

#include "platform/core/Geometry.h"
#include "platform/Foundation/NSObject.h"
#include "platform/core/Ref.h"

namespace qv {

// A colour, as red, green, blue and alpha from 0 to 1. Colours made from a
// white level remember it, so getWhite() answers for them as on the device.
// Two colours are equal when their four components are.
class UIColor : public NSObject {
public:
    std::string className() const override { return "UIColor"; }

    static Ref<UIColor> colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static Ref<UIColor> colorWithWhite(CGFloat white, CGFloat alpha);

    static Ref<UIColor> blackColor();     // white 0
    static Ref<UIColor> darkGrayColor();  // white 1/3
    static Ref<UIColor> grayColor();      // white 0.5
    static Ref<UIColor> lightGrayColor(); // white 2/3
    static Ref<UIColor> whiteColor();     // white 1
    static Ref<UIColor> clearColor();     // white 0, alpha 0
    static Ref<UIColor> redColor();
    static Ref<UIColor> greenColor();
    static Ref<UIColor> blueColor();

    // The same colour with another alpha.
    Ref<UIColor> colorWithAlphaComponent(CGFloat alpha) const;

    // Each answers false, writing nothing, where the colour has no such form;
    // absent outputs are skipped.
    bool getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const;
    bool getWhite(CGFloat* white, CGFloat* alpha) const;

    CGFloat red() const { return m_red; }
    CGFloat green() const { return m_green; }
    CGFloat blue() const { return m_blue; }
    CGFloat alpha() const { return m_alpha; }

    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;
    bool operator==(const UIColor& other) const { return isEqual(&other); }

protected:
    ~UIColor() override = default;

private:
    QV_MAKE_REF_FRIEND;
    UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, bool isGrey);

    CGFloat m_red;
    CGFloat m_green;
    CGFloat m_blue;
    CGFloat m_alpha;
    bool m_isGrey;
};

} // namespace qv
