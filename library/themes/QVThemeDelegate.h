#pragma once

#include "platform/UIKit/UIImage.h"

#include <cstdint>

namespace qv {

class QVTheme;

// What a theme tells the browser that lists it: an image of the theme was
// chosen for the browse type.
class QVThemeDelegate : public virtual Object {
public:
    virtual void themeSelectedImage(QVTheme* theme, RefPtr<UIImage> image, int32_t browseType) = 0;

protected:
    ~QVThemeDelegate() override = default;
};

} // namespace qv
