#include "QVIconPositionView.h"

#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIFont.h"

namespace qv {

QVIconPositionView::QVIconPositionView(CGRect frame, CGPoint iconCoords)
    : UIView(frame)
    , m_device(QVDevice::currentDevice())
    , m_utilities(QVUtilities::currentUtilities())
    , m_background(makeRef<UIImageView>(m_utilities->imageNamed("Grid_Background.png", false)))
    , m_xLabel(makeLabel(CGRectMake(2, 0, frame.size.width / 2, frame.size.height)))
    , m_yLabel(makeLabel(CGRectMake(frame.size.width / 2, 0, frame.size.width / 2, frame.size.height)))
{
    m_background->setAlpha(0.7);
    m_background->setFrame(CGRectMake(0, 0, frame.size.width, frame.size.height));
    addSubview(m_background);
    addSubview(m_xLabel);
    addSubview(m_yLabel);
    setCoords(iconCoords);
}

Ref<UILabel> QVIconPositionView::makeLabel(CGRect frame) const
{
    Ref<UILabel> label = makeRef<UILabel>(frame);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(UIColor::whiteColor());
    label->setTextAlignment(NSTextAlignmentCenter);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setFont(UIFont::systemFontOfSize(m_device->iPad() ? 11 : 9));
    return label;
}

void QVIconPositionView::setCoords(CGPoint coords)
{
    m_xLabel->setText(stringWithFormat("X: %i", static_cast<int>(coords.x)));
    m_yLabel->setText(stringWithFormat("Y: %i", static_cast<int>(coords.y)));
}

} // namespace qv
