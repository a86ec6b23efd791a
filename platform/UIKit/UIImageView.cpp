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
    : UIImageView(CGRectZero)
{
    // The device also sizes the view to the image here; images carry no
    // size yet in this build.
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
