#include "QVTutorialView.h"

#include "platform/UIKit/UIFont.h"

namespace qv {

QVTutorialView::QVTutorialView(CGRect frame, std::string title, std::string message, CGSize contentSize)
    : UIView(frame)
    , m_contentSize(contentSize)
    , m_title(std::move(title))
    , m_message(std::move(message))
{
}

void QVTutorialView::showInView(UIView& host)
{
    const CGRect hostFrame = host.frame();
    m_hiding = false;
    setAlpha(0);

    Ref<UIView> dimming = makeRef<UIView>(hostFrame);
    dimming->setBackgroundColor(UIColor::blackColor());
    dimming->setAlpha(0.25);
    addSubview(dimming);

    const CGRect box = CGRectMake(hostFrame.size.width / 2 - m_contentSize.width / 2,
        hostFrame.size.height / 2 - m_contentSize.height / 2, m_contentSize.width, m_contentSize.height);
    m_tutorialView = makeRef<UIView>(box);
    m_tutorialView->layer()->setCornerRadius(10);
    m_tutorialView->layer()->setBorderColor(UIColor::clearColor());
    m_tutorialView->setBackgroundColor(UIColor::whiteColor());
    m_tutorialView->setAlpha(0.8);
    addSubview(m_tutorialView);

    // The texts lie over the box as siblings, not inside it.
    addCardText(box);

    host.addSubview(this);
    UIView::beginAnimations(showAnimationName);
    setAlpha(1);
    UIView::commitAnimations();
}

void QVTutorialView::addCardText(CGRect box)
{
    m_titleLabel = makeRef<UILabel>(CGRectMake(box.origin.x, box.origin.y + 5, box.size.width, 22));
    m_titleLabel->setText(m_title);
    m_titleLabel->setTextAlignment(NSTextAlignmentCenter);
    m_titleLabel->setTextColor(UIColor::blackColor());
    m_titleLabel->setBackgroundColor(UIColor::clearColor());
    m_titleLabel->setFont(UIFont::boldSystemFontOfSize(16));
    m_titleLabel->setAdjustsFontSizeToFitWidth(true);

    m_messageView = makeRef<UITextView>(CGRectMake(box.origin.x, box.origin.y + 27, box.size.width, box.size.height - 49));
    m_messageView->setText(m_message);
    m_messageView->setTextAlignment(NSTextAlignmentCenter);
    m_messageView->setBackgroundColor(UIColor::clearColor());
    m_messageView->setEditable(false);
    m_messageView->setSelectable(false);

    m_footerLabel = makeRef<UILabel>(CGRectMake(box.origin.x, box.origin.y + box.size.height - 22, box.size.width, 22));
    m_footerLabel->setText(footerText);
    m_footerLabel->setTextAlignment(NSTextAlignmentCenter);
    m_footerLabel->setTextColor(UIColor::grayColor());
    m_footerLabel->setBackgroundColor(UIColor::clearColor());
    m_footerLabel->setFont(UIFont::systemFontOfSize(12));
    m_footerLabel->setAdjustsFontSizeToFitWidth(true);

    addSubview(m_titleLabel);
    addSubview(m_messageView);
    addSubview(m_footerLabel);
}

void QVTutorialView::touchesBegan(const UITouchSet&, UIEvent*)
{
    hideFromView();
}

void QVTutorialView::hideFromView()
{
    // A second touch during the fade would start another fade whose end
    // removes the card again; one fade, one removal, one report.
    if (m_hiding)
        return;
    m_hiding = true;
    Ref<QVTutorialView> protectedThis(*this);
    UIView::beginAnimations(hideAnimationName);
    UIView::setAnimationDidStopSelector(UIViewAnimationDidStop::Callback(
        [protectedThis](const std::string&, bool, void*) { protectedThis->removeFromSuperview(); }));
    setAlpha(0);
    UIView::commitAnimations();
}

void QVTutorialView::removeFromSuperview()
{
    if (!superview())
        return;
    // The host lets go of the overlay here, and the overlay holds the
    // controller that the report reaches.
    Ref<QVTutorialView> protectedThis(*this);
    UIView::removeFromSuperview();
    m_hiding = true;
    if (RefPtr<QVTutorialViewDelegate> delegate = m_delegate)
        delegate->didDismissTutorialView(this);
}

} // namespace qv
