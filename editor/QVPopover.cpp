#include "QVPopover.h"

#include "platform/UIKit/UINavigationItem.h"

namespace qv {

QVPopover::QVPopover(CGSize contentSize, std::string title)
    : m_contentSize(contentSize)
    , m_title(std::move(title))
{
}

CGRect QVPopover::centredFrame(CGSize contentSize, const UIView& host)
{
    const CGSize hostSize = host.frame().size;
    return CGRectMake(hostSize.width / 2 - contentSize.width / 2, hostSize.height / 2 - contentSize.height / 2,
        contentSize.width, contentSize.height);
}

void QVPopover::presentInView(UIView& host)
{
    m_isShowing = true;
    setFrame(centredFrame(m_contentSize, host));
    setBackgroundColor(UIColor::colorWithWhite(1, 0.8));
    layer()->setCornerRadius(10);
    setClipsToBounds(true);

    if (m_navBar)
        m_navBar->removeFromSuperview();
    m_navBar = makeRef<UINavigationBar>(CGRectMake(0, 0, m_contentSize.width, barHeight));
    Ref<UINavigationItem> item = makeRef<UINavigationItem>(m_title);
    item->setRightBarButtonItem(m_rightBarButtonItem);
    item->setLeftBarButtonItem(m_leftBarButtonItem);
    m_navBar->pushNavigationItem(item, false);
    addSubview(m_navBar);

    setAlpha(0);
    host.addSubview(this);
    Ref<QVPopover> protectedThis(*this);
    UIView::animateWithDuration(fadeDuration, [protectedThis] { protectedThis->setAlpha(1); });
}

void QVPopover::dismiss()
{
    m_isShowing = false;
    Ref<QVPopover> protectedThis(*this);
    UIView::animateWithDuration(fadeDuration, [protectedThis] { protectedThis->setAlpha(0); },
        [protectedThis](bool finished) {
            if (finished)
                protectedThis->removeFromSuperview();
        });
}

void QVPopover::updatePositionInView(const UIView& host)
{
    setFrame(centredFrame(m_contentSize, host));
}

} // namespace qv
