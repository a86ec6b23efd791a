#include "QVSettings.h"

#include "model/QVLayoutKeys.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/DeviceRootState.h"

#include <cmath>

namespace qv {

Ref<QVSettings> QVSettings::currentSettings()
{
    // The settings of one run start afresh on another device root, whose
    // images they hold. Lives as long as the process.
    static auto* instances = new RootBound<Ref<QVSettings>>([] { return makeRef<QVSettings>(); });
    return instances->get();
}

QVSettings::QVSettings()
    : m_utilities(QVUtilities::currentUtilities())
    , m_device(QVDevice::currentDevice())
    , m_iconImage { m_utilities->imageNamed(QVDefaultIconImageName, false), true }
    , m_backgroundImage { m_utilities->defaultBackgroundImage(), true }
    , m_gridSize(m_device->defaultNumberOfGridLines())
{
}

CGSize QVSettings::gridSize() const
{
    std::lock_guard guard(m_lock);
    return m_gridSize;
}

void QVSettings::setGridSize(CGSize gridSize)
{
    auto usable = [](CGFloat dimension) { return std::isfinite(dimension) && dimension > 0; };
    if (!usable(gridSize.width) || !usable(gridSize.height))
        gridSize = m_device->defaultNumberOfGridLines();
    std::lock_guard guard(m_lock);
    m_gridSize = gridSize;
}

bool QVSettings::snapToGrid() const
{
    std::lock_guard guard(m_lock);
    return m_snapToGrid;
}

void QVSettings::setSnapToGrid(bool snapToGrid)
{
    std::lock_guard guard(m_lock);
    m_snapToGrid = snapToGrid;
}

RefPtr<UIImage> QVSettings::imageOf(const ChosenImage& chosen) const
{
    std::lock_guard guard(m_lock);
    return chosen.image;
}

bool QVSettings::isStock(const ChosenImage& chosen) const
{
    std::lock_guard guard(m_lock);
    return chosen.isStock;
}

void QVSettings::choose(ChosenImage& chosen, RefPtr<UIImage> image, bool isStock)
{
    std::lock_guard guard(m_lock);
    chosen.image = std::move(image);
    chosen.isStock = isStock;
}

RefPtr<UIImage> QVSettings::currentIconImage() const
{
    return imageOf(m_iconImage);
}

void QVSettings::setCurrentIconImage(RefPtr<UIImage> image)
{
    choose(m_iconImage, std::move(image), false);
}

void QVSettings::resetCurrentIconImage()
{
    choose(m_iconImage, m_utilities->imageNamed(QVDefaultIconImageName, false), true);
}

bool QVSettings::iconImageReset() const
{
    return isStock(m_iconImage);
}

RefPtr<UIImage> QVSettings::currentBackgroundImage() const
{
    return imageOf(m_backgroundImage);
}

void QVSettings::setCurrentBackgroundImage(RefPtr<UIImage> image)
{
    choose(m_backgroundImage, std::move(image), false);
}

void QVSettings::resetCurrentBackgroundImage()
{
    choose(m_backgroundImage, m_utilities->defaultBackgroundImage(), true);
}

bool QVSettings::backgroundImageReset() const
{
    return isStock(m_backgroundImage);
}

std::string QVSettings::defaultLayoutName() const
{
    return QVDefaultLayoutFileName;
}

std::string QVSettings::userLayoutPath() const
{
    return QVUserLayoutsFolder;
}

std::string QVSettings::defaultLayoutPath() const
{
    return QVDefaultLayoutsFolder;
}

std::string QVSettings::themePath() const
{
    return "/Library/Themes";
}

void QVSettings::sendSettings() const
{
    QVSharedPreferences::synchronizeAndPost(QVSettingsChangedNotification);
}

void QVSettings::resetTutorial() const
{
    Ref<NSArray> keys = m_utilities->tutorialKeys();
    for (const Ref<NSObject>& key : keys->objects())
        CFPreferencesSetAppValue(key->description(), nullptr, QVPreferenceDomain);
    CFPreferencesAppSynchronize(QVPreferenceDomain);
}

} // namespace qv
