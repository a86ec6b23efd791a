#pragma once

#include "model/QVDevice.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSObject.h"
#include "platform/UIKit/UIImage.h"
#include "platform/core/Geometry.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace qv {

// The application's settings for one run: the editor's grid, snapping, the
// icon and background images, the fixed folders and page count. Nothing
// here is saved; every start begins afresh. Two operations act on the
// shared preference domain for the whole application.
class QVSettings : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // The process-wide instance, made on the first call (which makes the
    // utilities and the device model too) and made anew when the device
    // root changes.
    static Ref<QVSettings> currentSettings();

    // Columns by rows; the device's default grid at start.
    CGSize gridSize() const;
    // Stores a size whose dimensions are both finite and above 0; any
    // other size (0, negative, infinite, NaN) gives the device's default
    // grid in both dimensions.
    void setGridSize(CGSize gridSize);

    bool snapToGrid() const;
    void setSnapToGrid(bool snapToGrid);

    // The image of every generic icon: the bundle's "Default_Icon.png"
    // until another is chosen. A reset flag says whether the stock image
    // is the one shown.
    RefPtr<UIImage> currentIconImage() const;
    void setCurrentIconImage(RefPtr<UIImage> image);
    void resetCurrentIconImage();
    bool iconImageReset() const;

    // The editor's background: the stock wallpaper until another is chosen.
    RefPtr<UIImage> currentBackgroundImage() const;
    void setCurrentBackgroundImage(RefPtr<UIImage> image);
    void resetCurrentBackgroundImage();
    bool backgroundImageReset() const;

    std::string defaultLayoutName() const;
    std::string userLayoutPath() const;
    std::string defaultLayoutPath() const;
    std::string themePath() const;
    // Home-screen pages 0 to 10 can each have a layout of their own.
    int32_t numberOfSupportedPages() const { return 11; }

    // Makes the values just set in the preference domain reach the store,
    // then tells the other deliverables (SETTINGS_CHANGED).
    void sendSettings() const;
    // Forgets which tutorial cards were shown: removes every tutorial key
    // from the preference domain and synchronises it. Posts nothing.
    void resetTutorial() const;

    std::string className() const override { return "QVSettings"; }

private:
    // An image the user may choose, and whether the stock one is shown.
    struct ChosenImage {
        RefPtr<UIImage> image;
        bool isStock = true;
    };

    QVSettings();
    RefPtr<UIImage> imageOf(const ChosenImage& chosen) const;
    bool isStock(const ChosenImage& chosen) const;
    void choose(ChosenImage& chosen, RefPtr<UIImage> image, bool isStock);

    const Ref<QVUtilities> m_utilities;
    const Ref<QVDevice> m_device;

    // The application uses its settings on the main thread; the lock only
    // keeps a stray caller on another thread from tearing a value.
    mutable std::mutex m_lock;
    bool m_snapToGrid = false;
    ChosenImage m_iconImage;
    ChosenImage m_backgroundImage;
    CGSize m_gridSize;
};

} // namespace qv
