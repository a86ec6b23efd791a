#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "editor/QVTutorialView.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIModalView.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIInterfaceRotation.h"
#include "platform/UIKit/UIScreen.h"

namespace qv::editortest {

ScopedDevice::ScopedDevice(const std::string& name)
{
    auto profile = DeviceProfile::named(name);
    EXPECT_TRUE(profile) << name;
    applyDeviceProfile(profile.value_or(DeviceProfile::fromEnvironment()));
}

ScopedDevice::~ScopedDevice()
{
    applyDeviceProfile(DeviceProfile::fromEnvironment());
}

Ref<QVIcon> GridOwner::addIcon(CGPoint origin, int32_t lockedIndex, CGPoint maxPosition)
{
    Ref<QVIcon> icon = makeRef<QVIcon>(CGRectMake(origin.x, origin.y, 59, 60), maxPosition, CGPointMake(0, 0), WeakPtr<QVIconDelegate>());
    icon->setLockedIndex(lockedIndex);
    icons.push_back(icon);
    return icon;
}

void GridOwner::gridViewDeleteAllIcons(QVGridView*, bool addOne)
{
    calls.push_back(addOne ? "deleteAll+1" : "deleteAll");
    icons.clear();
}

void GridOwner::gridViewAddIconAtCenter(QVGridView*, CGPoint center, int32_t lockedIndex)
{
    Ref<QVIcon> icon = makeRef<QVIcon>(CGRectMake(0, 0, 59, 60), CGPointMake(10000, 10000), CGPointMake(0, 0), WeakPtr<QVIconDelegate>());
    icon->setCenter(center);
    icon->setLockedIndex(lockedIndex);
    icons.push_back(icon);
}

void GridOwner::note(const char* phase, const UITouchSet& touches)
{
    calls.push_back(std::string(phase) + " " + std::to_string(touches.size()));
}

EditorScreen::EditorScreen(const DeviceCase& device)
    : device(device.profile)
    , window(makeRef<UIWindow>(CGRectMake(0, 0, device.screen.width, device.screen.height)))
    , mainView(makeRef<UIView>(CGRectMake(0, 0, device.screen.width, device.screen.height)))
    , appDelegate(makeRef<AppDelegate>())
{
    // Every test starts with no tutorial card seen, whatever this process
    // saw on an earlier device root.
    QVSettings::currentSettings()->resetTutorial();
    window->addSubview(mainView);
    window->makeKeyAndVisible();
    appDelegate->setWindow(window);
    UIApplication::sharedApplication()->setDelegate(appDelegate);
}

EditorScreen::~EditorScreen()
{
    UITouchDriver::shared().cancelAllTouches();
    for (const Ref<UIModalView>& modal : UIModalView::visibleModalViews())
        modal->dismissWithClickedButtonIndex(0, false);
    // Whatever is still fading or pending ends before the clock goes.
    clock.advance(5);
    UIApplication::sharedApplication()->setDelegate(nullptr);
    window->setHidden(true);
}

std::string EditorScreen::tutorialFlag(int32_t key) const
{
    const std::string name = QVUtilities::currentUtilities()->tutorialKey(key).value_or("");
    RefPtr<NSNumber> flag = dynamicRefCast<NSNumber>(CFPreferencesCopyAppValue(name, QVPreferenceDomain));
    if (!flag)
        return "absent";
    return flag->boolValue() ? "YES" : "NO";
}

void EditorScreen::setTutorialFlag(int32_t key, bool seen) const
{
    const std::string name = QVUtilities::currentUtilities()->tutorialKey(key).value_or("");
    CFPreferencesSetAppValue(name, NSNumber::numberWithBool(seen), QVPreferenceDomain);
}

void EditorScreen::markGridTutorialSeen() const
{
    for (int32_t key = 9; key <= 14; ++key)
        setTutorialFlag(key, true);
}

GridScreen::GridScreen(const DeviceCase& device, CGSize gridSize)
    : EditorScreen(device)
    , owner(makeRef<GridOwner>())
    , grid(makeRef<QVGridView>(editingArea(), CGSizeMake(device.screen.width - 59, device.screen.height - 60)))
{
    QVSettings::currentSettings()->setGridSize(gridSize);
    QVSettings::currentSettings()->setSnapToGrid(false);
    grid->setDelegate(WeakPtr<QVGridViewDelegate>(owner.ptr()));
    mainView->addSubview(grid);
}

CGRect GridScreen::editingArea() const
{
    const CGSize screen = window->frame().size;
    return CGRectMake(0, 20, screen.width, screen.height - 20);
}

void GridScreen::showGrid()
{
    grid->setShown(true);
    grid->toggleGrid(true, true);
    advance(1);
}

size_t GridScreen::lineCount(bool vertical) const
{
    size_t count = 0;
    for (const Ref<UIView>& line : grid->gridBG()->subviews()) {
        const CGRect frame = line->frame();
        if (vertical ? frame.size.width == 1 && frame.origin.y == 0 : frame.size.height == 1 && frame.origin.x == 0)
            ++count;
    }
    return count;
}

IconScreen::IconScreen(const DeviceCase& device)
    : EditorScreen(device)
    , controls(makeRef<UIView>(CGRectMake(0, 0, 10, 10)))
    , owner(makeRef<IconOwner>())
    , manager(makeRef<QVIconManager>(CGRectMake(0, 20, iconSize().width, iconSize().height), mainView,
          CGSizeMake(device.screen.width - iconSize().width, device.screen.height - iconSize().height), controls))
{
    mainView->addSubview(controls);
    manager->setDelegate(WeakPtr<QVIconManagerDelegate>(owner.ptr()));
    manager->setMinimumIconPoint(CGPointMake(0, 20));
}

CGSize IconScreen::iconSize() const
{
    return window->frame().size.width == 768 ? CGSizeMake(79, 80) : CGSizeMake(59, 60);
}

bool IconScreen::down(CGPoint point, int finger)
{
    return UITouchDriver::shared().touchDown(window, point, finger);
}

bool IconScreen::move(CGPoint point, int finger)
{
    return UITouchDriver::shared().touchMove(point, finger);
}

bool IconScreen::up(int finger)
{
    return UITouchDriver::shared().touchUp(finger);
}

std::vector<int64_t> IconScreen::ids() const
{
    std::vector<int64_t> result;
    for (const Ref<QVIcon>& icon : manager->icons())
        result.push_back(icon->tag());
    return result;
}

ApplicationScreen::ApplicationScreen(const DeviceCase& deviceCase, bool tutorialSeen)
    : device(deviceCase.profile)
    , appDelegate(makeRef<AppDelegate>())
    , window(makeRef<UIWindow>(UIScreen::mainScreen().bounds()))
    , tabs(makeRef<QVRootViewController>())
    , editor(makeRef<QVLayoutMaker>())
{
    QVSettings::currentSettings()->resetTutorial();
    if (tutorialSeen) {
        for (int32_t key = 0; key < 15; ++key) {
            const std::string name = QVUtilities::currentUtilities()->tutorialKey(key).value_or("");
            CFPreferencesSetAppValue(name, NSNumber::numberWithBool(true), QVPreferenceDomain);
        }
        // Nor does the folder-mode offer.
        CFPreferencesSetAppValue(QVUsedFolderModeBeforeKey, NSNumber::numberWithBool(true), QVPreferenceDomain);
    } else {
        CFPreferencesSetAppValue(QVUsedFolderModeBeforeKey, nullptr, QVPreferenceDomain);
    }
    CFPreferencesSetAppValue(QVFolderViewSizeKey, nullptr, QVPreferenceDomain);
    QVSettings::currentSettings()->setGridSize(QVDevice::currentDevice()->defaultNumberOfGridLines());
    QVSettings::currentSettings()->setSnapToGrid(false);
    UIApplication::sharedApplication()->setDelegate(appDelegate);
    appDelegate->setWindow(window);
    Ref<UIViewController> saved = makeRef<UIViewController>();
    saved->setTitle("Saved");
    Ref<UIViewController> uploaded = makeRef<UIViewController>();
    uploaded->setTitle("Uploaded");
    tabs->setViewControllers({ editor, saved, uploaded });
    tabs->setSelectedIndex(0);
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
    clock.advance(1);
}

ApplicationScreen::~ApplicationScreen()
{
    UITouchDriver::shared().cancelAllTouches();
    for (const Ref<UIModalView>& modal : UIModalView::visibleModalViews())
        modal->dismissWithClickedButtonIndex(0, false);
    clock.advance(5);
    if (UIApplication::sharedApplication()->statusBarOrientation() != UIInterfaceOrientationPortrait) {
        appDelegate->setShouldAutoRotate(true);
        UIInterfaceRotation::rotateToInterfaceOrientation(UIInterfaceOrientationPortrait, 0);
        UIApplication::sharedApplication()->setStatusBarOrientation(UIInterfaceOrientationPortrait);
    }
    clock.advance(5);
    UIApplication::sharedApplication()->setDelegate(nullptr);
    window->setRootViewController(nullptr);
    window->setHidden(true);
}

bool ApplicationScreen::rotate(UIInterfaceOrientation orientation)
{
    const bool rotated = UIInterfaceRotation::rotateToInterfaceOrientation(orientation, 0.3);
    clock.advance(1);
    return rotated;
}

bool ApplicationScreen::tap(CGPoint point)
{
    return UITouchDriver::shared().tap(window, point);
}

bool ApplicationScreen::down(CGPoint point, int finger)
{
    return UITouchDriver::shared().touchDown(window, point, finger);
}

bool ApplicationScreen::move(CGPoint point, int finger)
{
    return UITouchDriver::shared().touchMove(point, finger);
}

bool ApplicationScreen::up(int finger)
{
    return UITouchDriver::shared().touchUp(finger);
}

bool ApplicationScreen::tapButton(const std::string& title)
{
    for (const RefPtr<UIButton>& button : { editor->optionButton(), editor->addIconButton(), editor->doneSelectingButton(),
             editor->saveButton(), editor->gridButton(), editor->imageButton() }) {
        if (button && (button->currentTitle() == title || button->accessibilityLabel() == title))
            return UITouchDriver::shared().tapView(*button);
    }
    return false;
}

bool ApplicationScreen::tapSheetButton(const std::string& title)
{
    RefPtr<UIModalView> modal = UIModalView::topmostModalView();
    return modal && modal->tapButtonWithTitle(title);
}

std::vector<std::string> ApplicationScreen::topModalButtons() const
{
    std::vector<std::string> titles;
    RefPtr<UIModalView> modal = UIModalView::topmostModalView();
    for (int64_t index = 0; modal && index < modal->numberOfButtons(); ++index)
        titles.push_back(modal->buttonTitleAtIndex(index));
    return titles;
}

std::vector<Ref<QVTutorialView>> tutorialCards(const UIView& host)
{
    std::vector<Ref<QVTutorialView>> cards;
    for (const Ref<UIView>& view : host.subviews()) {
        if (RefPtr<QVTutorialView> card = dynamicRefCast<QVTutorialView>(view))
            cards.push_back(card.toRef());
    }
    return cards;
}

} // namespace qv::editortest
