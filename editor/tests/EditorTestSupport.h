#pragma once

// What the editor's widget tests share: a simulated device (a device root,
// a device profile and a virtual clock), a window with the editor's main
// view, the application delegate, and a stand-in for the editor that keeps
// the icons and writes down what the widgets tell it.

#include "editor/AppDelegate.h"
#include "editor/QVGridView.h"
#include "editor/QVIcon.h"
#include "editor/QVIconManager.h"
#include "editor/QVLayoutMaker.h"
#include "editor/QVRootViewController.h"

#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIWindow.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace qv::editortest {

// The two devices the widget tests run on: the 4-inch phone and the iPad.
struct DeviceCase {
    const char* profile;
    CGSize screen;
};
inline constexpr DeviceCase deviceCases[] = {
    { "iphone-4", { 320, 568 } },
    { "ipad", { 768, 1024 } },
};
inline std::string deviceCaseName(const ::testing::TestParamInfo<DeviceCase>& info)
{
    return std::string(info.param.profile) == "ipad" ? "iPad" : "iPhone4";
}
// Every device class, for what differs with the screen's size (where a
// folder background lies against the screen's bounds, say).
inline constexpr DeviceCase everyDeviceCase[] = {
    { "iphone-3.5", { 320, 480 } },
    { "iphone-4", { 320, 568 } },
    { "iphone-4.7", { 375, 667 } },
    { "iphone-5.5", { 414, 736 } },
    { "ipad", { 768, 1024 } },
};
inline std::string everyDeviceCaseName(const ::testing::TestParamInfo<DeviceCase>& info)
{
    std::string name;
    for (const char* letter = info.param.profile; *letter; ++letter) {
        if (std::isalnum(static_cast<unsigned char>(*letter)))
            name += *letter;
        else if (*letter == '.')
            name += '_';
    }
    return name;
}

// Makes a built-in profile the running device's for the life of the object.
class ScopedDevice {
public:
    explicit ScopedDevice(const std::string& name);
    ~ScopedDevice();
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;
};

// The editor as the grid sees it: the icons, the slots it was told of and
// the calls it received.
class GridOwner : public NSObject, public QVGridViewDelegate {
public:
    std::vector<Ref<QVIcon>> icons;
    std::vector<CGPoint> reportedSlots;
    std::vector<std::string> calls;
    bool selecting = false;
    int heldCount = 0;

    // An icon of the phone's default size at the origin, held by this owner.
    Ref<QVIcon> addIcon(CGPoint origin, int32_t lockedIndex, CGPoint maxPosition);

    std::vector<Ref<QVIcon>> currentIconsForGridView(QVGridView*) override { return icons; }
    void gridViewDeleteAllIcons(QVGridView*, bool addOne) override;
    void gridViewUpdateCurrentIconPositions(QVGridView*, const std::vector<CGPoint>& positions) override { reportedSlots = positions; }
    void gridViewAddIconAtCenter(QVGridView*, CGPoint center, int32_t lockedIndex) override;
    CGSize defaultIconSizeForGridView(QVGridView*) override { return CGSizeMake(59, 60); }
    bool isSelectingInGridView(QVGridView*) override { return selecting; }
    void gridViewTouchesBegan(QVGridView*, const UITouchSet& touches, UIEvent*) override { note("began", touches); }
    void gridViewTouchesMoved(QVGridView*, const UITouchSet& touches, UIEvent*) override { note("moved", touches); }
    void gridViewTouchesEnded(QVGridView*, const UITouchSet& touches, UIEvent*) override { note("ended", touches); }
    void gridViewTouchesCancelled(QVGridView*, const UITouchSet& touches, UIEvent*) override { note("cancelled", touches); }
    void gridHeldInGridView(QVGridView*) override { ++heldCount; }

private:
    void note(const char* phase, const UITouchSet& touches);
};

// A device root, a device, a virtual clock, a window filled by the editor's
// main view, and the application delegate.
class EditorScreen {
public:
    explicit EditorScreen(const DeviceCase& device);
    ~EditorScreen();

    // Lets the run loop's timers and animation ends run.
    void advance(double seconds) { clock.advance(seconds); }
    // The seen flag of tutorial card `key` as stored (absent, YES or NO).
    std::string tutorialFlag(int32_t key) const;
    void setTutorialFlag(int32_t key, bool seen) const;
    // Sets every grid card's flag (9 to 14), so that no card gets in the way.
    void markGridTutorialSeen() const;

    qv::testing::TemporaryDeviceRoot root;
    ScopedDevice device;
    VirtualClock clock { 1000.0 };
    Ref<UIWindow> window;
    Ref<UIView> mainView;
    Ref<AppDelegate> appDelegate;
};

// A grid view over the editor's area below the status bar, with an owner,
// in the editor's main view.
class GridScreen : public EditorScreen {
public:
    explicit GridScreen(const DeviceCase& device, CGSize gridSize = CGSizeMake(5, 5));

    // The grid view's frame while shown: the screen below the status bar.
    CGRect editingArea() const;
    // Shows the grid with its rectangle over the whole area and lets the
    // fade end.
    void showGrid();
    // The grid view's subviews of one kind of line inside the rectangle.
    size_t lineCount(bool vertical) const;

    Ref<GridOwner> owner;
    Ref<QVGridView> grid;
};

// The editor as the icon manager sees it: it keeps the grid frame the
// manager caches and restores, and notes the icon whose position panel
// opened.
class IconOwner : public NSObject, public QVIconManagerDelegate {
public:
    CGRect gridFrame = CGRectMake(1, 2, 3, 4);
    std::vector<CGRect> restoredGridFrames;
    RefPtr<QVIcon> iconWithPositionPanel;

    CGRect gridFrameForIconManager(QVIconManager*) override { return gridFrame; }
    void setGridFrameFromIconManager(CGRect frame, QVIconManager*) override
    {
        restoredGridFrames.push_back(frame);
        gridFrame = frame;
    }
    void iconManagerObservedPositionPopoverFromIcon(QVIconManager*, QVIcon* icon) override { iconWithPositionPanel = icon; }
    // Where a new icon of each orientation stands, as the editor would say.
    CGRect portraitNewIconFrame = CGRectZero;
    CGRect landscapeNewIconFrame = CGRectZero;
    CGRect newIconFrameForIconManager(QVIconManager*, bool landscape) override { return landscape ? landscapeNewIconFrame : portraitNewIconFrame; }
};

// An icon manager over the editor's main view, its icons kept below a
// view of controls, with the device's default icon size.
class IconScreen : public EditorScreen {
public:
    explicit IconScreen(const DeviceCase& device);

    CGSize iconSize() const;
    // Fingers on the window, in the main view's coordinates (the same).
    bool down(CGPoint point, int finger = 1);
    bool move(CGPoint point, int finger = 1);
    bool up(int finger = 1);
    // The ids of the listed icons, in order.
    std::vector<int64_t> ids() const;

    Ref<UIView> controls;
    Ref<IconOwner> owner;
    Ref<QVIconManager> manager;
};

// The application as its main interface builds it: a window with the tab
// bar controller, the editor in front, on a device root, with every
// tutorial card marked as seen and folder mode used before (so that no card
// or offer gets in the way) unless asked.
class ApplicationScreen {
public:
    explicit ApplicationScreen(const DeviceCase& device, bool tutorialSeen = true);
    ~ApplicationScreen();

    void advance(double seconds) { clock.advance(seconds); }
    // Turns the interface, as the device does.
    bool rotate(UIInterfaceOrientation orientation);
    bool tap(CGPoint point);
    bool down(CGPoint point, int finger = 1);
    bool move(CGPoint point, int finger = 1);
    bool up(int finger = 1);
    // Taps the button of the editor with this title, and of the top sheet
    // or alert.
    bool tapButton(const std::string& title);
    bool tapSheetButton(const std::string& title);
    // The titles of the top sheet or alert's buttons, or empty.
    std::vector<std::string> topModalButtons() const;
    Ref<QVIconManager> icons() const { return editor->iconManager().toRef(); }
    Ref<QVGridView> grid() const { return editor->gridView().toRef(); }

    qv::testing::TemporaryDeviceRoot root;
    ScopedDevice device;
    VirtualClock clock { 1000.0 };
    Ref<AppDelegate> appDelegate;
    Ref<UIWindow> window;
    Ref<QVRootViewController> tabs;
    Ref<QVLayoutMaker> editor;
};

// Every tutorial card showing in the view, front last.
std::vector<Ref<class QVTutorialView>> tutorialCards(const UIView& host);

} // namespace qv::editortest
