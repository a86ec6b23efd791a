#pragma once

#include "platform/UIKit/UIImage.h"

#include <cstdint>

namespace qv {

class QVThemeDetailView;

// What a theme's detail screen tells the theme that made it: the user
// chose an image (null when its file does not decode) for the browse type.
class QVThemeDetailViewDelegate : public virtual Object {
public:
    virtual void detailViewSelectedImage(QVThemeDetailView* detailView, RefPtr<UIImage> image, int32_t browseType) = 0;

protected:
    ~QVThemeDetailViewDelegate() override = default;
};

} // namespace qv
