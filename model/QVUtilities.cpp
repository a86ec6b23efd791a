#include "QVUtilities.h"

#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIScreen.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

// In the order the cards are shown: the editor's 0 to 8, the grid view's
// 9 to 14.
constexpr std::array<const char*, 15> tutorialKeyTable {
    "Tutorial-Welcome",
    "Tutorial-Quick-Actions",
    "Tutorial-Icon",
    "Tutorial-Options-Button",
    "Tutorial-Add-Icon-Button",
    "Tutorial-Save-Button",
    "Tutorial-Grid-Button",
    "Tutorial-Image-Button",
    "Tutorial-Orientation",
    "Tutorial-Grid-View-Welcome",
    "Tutorial-Reset-Grid-Position",
    "Tutorial-Change-Grid-Dimensions",
    "Tutorial-Unlock-All-Icons",
    "Tutorial-Fill-Grid",
    "Tutorial-Ignore-Icon-Touches",
};

} // namespace

Ref<QVUtilities> QVUtilities::currentUtilities()
{
    static QVUtilities* instance = makeRef<QVUtilities>().leak(); // lives as long as the process
    return *instance;
}

QVUtilities::QVUtilities()
    : m_device(QVDevice::currentDevice())
{
}

std::optional<std::string> QVUtilities::filterLayoutName(const std::optional<std::string>& name) const
{
    if (!name)
        return std::nullopt;
    std::string filtered = *name;
    std::erase_if(filtered, [](char c) { return c == '/' || c == '\0'; });
    return filtered;
}

std::optional<std::string> QVUtilities::tutorialKey(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= tutorialKeyTable.size())
        return std::nullopt;
    return tutorialKeyTable[static_cast<size_t>(index)];
}

Ref<NSArray> QVUtilities::tutorialKeys() const
{
    Ref<NSArray> keys = NSArray::create();
    for (int32_t index = 0; index < static_cast<int32_t>(tutorialKeyTable.size()); ++index)
        keys->addObject(*tutorialKey(index));
    return keys;
}

RefPtr<UIImage> QVUtilities::imageNamed(const std::string& name, bool addExtension) const
{
    const std::string suffix = addExtension ? m_device->defaultExtensionForImageName() : std::string();
    return UIImage::imageNamed(stringWithFormat("%@%@", name, suffix));
}

RefPtr<UIImage> QVUtilities::defaultBackgroundImage() const
{
    // The wallpaper files carry the plain scale suffixes, not the iPad's
    // image-name suffix.
    std::string suffix = "@2x.png";
    if (m_device->iPad()) {
        if (UIScreen::mainScreen().scale() < 2.0)
            suffix = ".png";
    } else {
        suffix = m_device->defaultExtensionForImageName();
    }
    const char* folder = m_device->deviceType() == QVDeviceTypeiPad ? "iPad" : "iPhone";
    const std::string path = stringWithFormat("%@%@", stringWithFormat("/Library/Wallpaper/%@/default", folder), suffix);
    return UIImage::imageWithContentsOfFile(path);
}

} // namespace qv
