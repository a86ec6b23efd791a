#pragma once

#include "UIImage.h"
#include "UIView.h"

namespace qv {

// A view that shows an image, or its highlighted image while highlighted.
// Like the device, it takes no touches until user interaction is turned on.
class UIImageView : public UIView {
public:
    std::string className() const override { return "UIImageView"; }
    UIImageView();
    explicit UIImageView(CGRect frame);
    // At the origin, as large as the image in points (empty without one).
    explicit UIImageView(RefPtr<UIImage> image);
    UIImageView(RefPtr<UIImage> image, RefPtr<UIImage> highlightedImage);

    RefPtr<UIImage> image() const { return m_image; }
    void setImage(RefPtr<UIImage> image) { m_image = std::move(image); }
    RefPtr<UIImage> highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(RefPtr<UIImage> image) { m_highlightedImage = std::move(image); }
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { m_highlighted = highlighted; }

    // What the view shows now.
    RefPtr<UIImage> currentImage() const;

protected:
    ~UIImageView() override = default;

private:
    RefPtr<UIImage> m_image;
    RefPtr<UIImage> m_highlightedImage;
    bool m_highlighted = false;
};

} // namespace qv
