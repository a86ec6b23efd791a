#include "UIImageView.h"

namespace qv {

UIImageView::UIImageView()
    : UIImageView(CGRectZero)
{
}

UIImageView::UIImageView(CGRect frame)
    : UIView(frame)
{
    setUserInteractionEnabled(false);
}

UIImageView::UIImageView(RefPtr<UIImage> image)
    : UIImageView(std::move(image), nullptr)
{
}

UIImageView::UIImageView(RefPtr<UIImage> image, RefPtr<UIImage> highlightedImage)
    : UIImageView(CGRectMake(0, 0, image ? image->size().width : 0, image ? image->size().height : 0))
{
    m_image = std::move(image);
    m_highlightedImage = std::move(highlightedImage);
}

RefPtr<UIImage> UIImageView::currentImage() const
{
    if (m_highlighted && m_highlightedImage)
        return m_highlightedImage;
    return m_image;
}

} // namespace qv
