#include "QVPlaceholderIcon.h"

#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SBIconListView.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UILabel.h"

#include <string>

namespace qv {

namespace {

constexpr CGFloat partAlpha = 0.6;
constexpr CGFloat numberFontSize = 20.0;

// The width of the home screen's icons: markers are squares of it.
CGFloat iconWidth()
{
    RefPtr<SBIconController> controller = SBIconController::sharedInstance();
    RefPtr<SBIconListView> list = controller ? controller->currentRootIconList() : nullptr;
    return list ? list->defaultIconSize().width : 0;
}

} // namespace

Ref<QVPlaceholderIcon> QVPlaceholderIcon::create(CGPoint origin, RefPtr<UIImage> placeholderImage, uint64_t iconIndex)
{
    return makeRef<QVPlaceholderIcon>(origin, std::move(placeholderImage), iconIndex, iconWidth());
}

QVPlaceholderIcon::QVPlaceholderIcon(CGPoint origin, RefPtr<UIImage> placeholderImage, uint64_t iconIndex, CGFloat side)
    : UIView(CGRectMake(origin.x, origin.y, side, side))
{
    CGRect whole = CGRectMake(0, 0, side, side);
    Ref<UIImageView> image = makeRef<UIImageView>(std::move(placeholderImage));
    image->setFrame(whole);
    image->setAlpha(partAlpha);
    addSubview(image);

    Ref<UILabel> number = makeRef<UILabel>(whole);
    number->setAlpha(partAlpha);
    number->setTextColor(UIColor::whiteColor());
    number->setBackgroundColor(UIColor::clearColor());
    number->setFont(UIFont::boldSystemFontOfSize(numberFontSize));
    number->setTextAlignment(NSTextAlignmentCenter);
    number->setText(std::to_string(iconIndex + 1));
    addSubview(number);
}

} // namespace qv
