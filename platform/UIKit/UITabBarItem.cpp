#include "UITabBarItem.h"

namespace qv {

UITabBarItem::UITabBarItem(std::string title, RefPtr<UIImage> image, int64_t tag)
    : m_title(std::move(title))
    , m_image(std::move(image))
    , m_tag(tag)
{
}

} // namespace qv
