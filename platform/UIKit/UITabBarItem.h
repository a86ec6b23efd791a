#pragma once

#include "UIImage.h"

#include "platform/Foundation/NSObject.h"

#include <optional>
#include <string>

namespace qv {

// One tab of a tab bar: a title, an image, a tag and an optional badge.
class UITabBarItem : public NSObject {
public:
    std::string className() const override { return "UITabBarItem"; }
    UITabBarItem(std::string title, RefPtr<UIImage> image, int64_t tag);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    RefPtr<UIImage> image() const { return m_image; }
    void setImage(RefPtr<UIImage> image) { m_image = std::move(image); }
    int64_t tag() const { return m_tag; }
    void setTag(int64_t tag) { m_tag = tag; }
    const std::optional<std::string>& badgeValue() const { return m_badgeValue; }
    void setBadgeValue(std::optional<std::string> badge) { m_badgeValue = std::move(badge); }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

protected:
    ~UITabBarItem() override = default;

private:
    std::string m_title;
    RefPtr<UIImage> m_image;
    int64_t m_tag;
    std::optional<std::string> m_badgeValue;
    bool m_enabled = true;
};

} // namespace qv
