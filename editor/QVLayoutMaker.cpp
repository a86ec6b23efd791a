#include "QVLayoutMaker.h"

#include "platform/Foundation/PerformSelector.h"
#include "platform/UIKit/UIApplication.h"
#include "platform/UIKit/UIFont.h"
#include "platform/UIKit/UITabBarController.h"

#include <algorithm>

namespace qv {

namespace {

// The accent colour of the buttons' borders and pressed backgrounds.
Ref<UIColor> accentColor()
{
    return UIColor::colorWithRed(0, 0.487, 1, 1);
}

bool isPortrait(int64_t orientation)
{
    return orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown;
}

bool isLandscape(int64_t orientation)
{
    return orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight;
}

// The editor's view size of each device class, portrait.
struct ScreenSize {
    bool (QVDevice::*isDevice)() const;
    CGSize portrait;
};

constexpr ScreenSize screenSizes[] = {
    { &QVDevice::iPad, { 768, 1024 } },
    { &QVDevice::iPhone3_5Inch, { 320, 480 } },
    { &QVDevice::iPhone4Inch, { 320, 568 } },
    { &QVDevice::iPhone4_7Inch, { 375, 667 } },
    { &QVDevice::iPhone5_5Inch, { 414, 736 } },
};

} // namespace

QVLayoutMaker::~QVLayoutMaker()
{
    for (RefPtr<NSTimer>* timer : { &m_touchTimer, &m_addIconTouchTimer }) {
        if (*timer)
            (*timer)->invalidate();
    }
}

bool QVLayoutMaker::landscapeOnScreen() const
{
    return isLandscape(interfaceOrientation());
}

void QVLayoutMaker::invalidateTimer(RefPtr<NSTimer>& timer)
{
    if (timer && timer->isValid())
        timer->invalidate();
}

// Loading and appearing

void QVLayoutMaker::viewDidLoad()
{
    UIViewController::viewDidLoad();
    m_tutorialShowing = false;
    m_utilities = QVUtilities::currentUtilities();
    m_settings = QVSettings::currentSettings();
    m_device = QVDevice::currentDevice();
    m_lastOrientation = interfaceOrientation();
    setViewSizeWithInterfaceOrientation(m_lastOrientation);
    configureView(true);
    WeakPtr<QVLayoutMaker> weakThis(this);
    performSelector(*this, { "_updateViewHandlerBugFix", [weakThis] {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->updateViewHandlerBugFix();
    } }, nullptr, 0.1);
    performSelector(*this, { "_viewTutorial", [weakThis] {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->viewTutorial();
    } }, nullptr, 0.1);
}

void QVLayoutMaker::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    const int64_t current = interfaceOrientation();
    const bool changedClass = isPortrait(current) ? !isPortrait(m_lastOrientation) : !isLandscape(m_lastOrientation);
    if (changedClass) {
        // The orientation being laid out is known before the layout.
        m_lastOrientation = current;
        setViewSizeWithInterfaceOrientation(current);
        configureView(false);
    }
    checkForLayoutToView();
}

void QVLayoutMaker::updateViewHandlerBugFix()
{
    // Selecting the saved layouts tab once makes it load its view; the
    // editor is in front again before anything is drawn.
    RefPtr<UITabBarController> tabs = tabBarController();
    if (!tabs || tabs->viewControllers().size() < 2)
        return;
    tabs->setSelectedIndex(1);
    tabs->setSelectedIndex(0);
}

void QVLayoutMaker::viewLayoutManager()
{
    if (RefPtr<UITabBarController> tabs = tabBarController())
        tabs->setSelectedIndex(1);
}

// Geometry

void QVLayoutMaker::setViewSizeWithInterfaceOrientation(int64_t orientation)
{
    if (isPortrait(orientation) || isLandscape(orientation)) {
        Ref<UIView> canvas = view();
        if (std::optional<CGSize> size = deviceViewSize(isLandscape(orientation)))
            canvas->setFrame(CGRectMake(0, 0, size->width, size->height));
        const CGSize screen = canvas->frame().size;
        const CGSize icon = m_device->defaultIconSize();
        const CGFloat dock = static_cast<CGFloat>(m_device->dockPadding());
        m_gridFrame = CGRectMake(0, 20, screen.width, (screen.height - dock) - (icon.height - 40));
        m_defaultIconFrame = defaultIconFrameOnScreen(screen);
        m_maxIconPoint = CGPointMake(screen.width - icon.width, (screen.height - dock) - icon.height);
        if (m_iconManager) {
            // The icons that come on the screen take the bounds of this
            // screen in the mode in force, whatever they had before.
            giveIconManagerTheBoundsInForce();
            m_iconManager->setDefaultIconFrame(m_defaultIconFrame);
            if (isPortrait(orientation))
                m_iconManager->loadPortraitOrientation();
            else
                m_iconManager->loadLandscapeOrientation();
        }
        if (m_folderModeEnabled && m_folderBG) {
            if (isPortrait(orientation))
                m_landscapeFolderFrameCache = m_folderBG->frame();
            else
                m_portraitFolderFrameCache = m_folderBG->frame();
        }
    }
    if (m_positionPopoverIcon)
        m_positionPopoverIcon->dismissPositionPopover();
    if (m_gridView)
        m_gridView->updateGridLineChangeView();
}

std::optional<CGSize> QVLayoutMaker::deviceViewSize(bool landscape) const
{
    for (const ScreenSize& size : screenSizes) {
        if (m_device && (m_device.get()->*size.isDevice)())
            return landscape ? CGSizeMake(size.portrait.height, size.portrait.width) : size.portrait;
    }
    return std::nullopt;
}

CGRect QVLayoutMaker::defaultIconFrameOnScreen(CGSize screen) const
{
    const CGSize icon = m_device->defaultIconSize();
    return CGRectMake(screen.width / 2 - icon.width / 2, 30, icon.width, icon.height);
}

CGRect QVLayoutMaker::folderFrameOnScreen(CGSize folder, CGSize screen)
{
    // Centred, raised by 20 points, and never above the status bar.
    CGRect frame = CGRectMake(screen.width / 2 - folder.width / 2, screen.height / 2 - folder.height / 2 - 20, folder.width, folder.height);
    if (frame.origin.y <= 20)
        frame.origin.y = 20;
    return frame;
}

void QVLayoutMaker::giveIconManagerTheBoundsInForce()
{
    if (!m_iconManager)
        return;
    // Derived anew each time from the screen and the mode: bounds kept from
    // another orientation or mode would hold icons out of places that are
    // open to them now.
    if (!m_folderModeEnabled || !m_folderBG) {
        m_iconManager->setMinimumIconPoint(CGPointMake(0, 0));
        m_iconManager->setIconBoundaries(CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
        return;
    }
    const CGRect folder = folderFrameOnScreen(m_folderBG->frame().size, view()->frame().size);
    const CGSize icon = m_defaultIconFrame.size;
    m_iconManager->setIconBoundaries(CGSizeMake(folder.origin.x + folder.size.width - icon.width, folder.origin.y + folder.size.height - icon.height));
    m_iconManager->setMinimumIconPoint(folder.origin);
}

CGRect QVLayoutMaker::newIconFrameForIconManager(QVIconManager*, bool landscape)
{
    // A device of no known class keeps its view's size in both orientations.
    CGRect frame = defaultIconFrameOnScreen(deviceViewSize(landscape).value_or(view()->frame().size));
    if (!m_folderModeEnabled || !m_folderBG)
        return frame;
    // In folder mode a new icon is held within that orientation's folder
    // background, as the icon manager holds one on the screen; a folder
    // background that orientation never had holds nothing yet.
    const CGRect folder = landscape == landscapeOnScreen() ? m_folderBG->frame() : landscape ? m_landscapeFolderFrameCache : m_portraitFolderFrameCache;
    if (folder.size.width <= 0 || folder.size.height <= 0)
        return frame;
    const CGPoint largest = CGPointMake(folder.origin.x + folder.size.width - frame.size.width, folder.origin.y + folder.size.height - frame.size.height);
    frame.origin.x = std::clamp(frame.origin.x, folder.origin.x, std::max(folder.origin.x, largest.x));
    frame.origin.y = std::clamp(frame.origin.y, folder.origin.y, std::max(folder.origin.y, largest.y));
    return frame;
}

// Building the views

Ref<UIButton> QVLayoutMaker::makeSystemButton(const std::string& title, void (QVLayoutMaker::*action)(), bool withTitleFont)
{
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setTitle(title, UIControlStateNormal);
    if (withTitleFont)
        button->titleLabel()->setFont(m_device->buttonTitleFont());
    button->addTarget(this, action, UIControlEventTouchUpInside);
    configureButton(button.get(), true);
    view()->addSubview(button);
    return button;
}

void QVLayoutMaker::configureView(bool first)
{
    if (first)
        buildViews();
    layOutViews();
}

void QVLayoutMaker::buildViews()
{
    Ref<UIView> canvas = view();
    const CGSize screen = canvas->frame().size;
    m_appDelegate = AppDelegate::shared();
    m_selectingIcons = false;
    m_fileManager = NSFileManager::defaultManager();
    m_reader = QVReader::create();

    m_background = makeRef<UIImageView>(m_settings->currentBackgroundImage());
    canvas->addSubview(m_background);

    m_folderBG = makeRef<UIView>(CGRectMake(10, 100, screen.width - 20, screen.width - 20));
    m_folderBG->setBackgroundColor(UIColor::colorWithWhite(1, 0.8));
    m_folderBG->layer()->setCornerRadius(50);
    m_folderBG->setClipsToBounds(true);
    m_folderBG->setAlpha(0);
    canvas->addSubview(m_folderBG);

    m_gridView = makeRef<QVGridView>(m_gridFrame, CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
    m_gridView->setDelegate(WeakPtr<QVGridViewDelegate>(this));
    canvas->addSubview(m_gridView);
    m_buttonsHidden = false;

    m_doneSelectingButton = makeSystemButton("Done", &QVLayoutMaker::doneSelectingButtonClicked, false);
    m_doneSelectingButton->setAlpha(0);
    m_optionButton = makeSystemButton("Options", &QVLayoutMaker::optionButtonClicked, true);
    m_optionButton->setFrame(m_device->iPad() ? CGRectMake(20, 20, 74, 26) : CGRectMake(10, 20, 64, 24));

    m_defaultIconFrame = defaultIconFrameOnScreen(screen);
    m_iconManager = makeRef<QVIconManager>(m_defaultIconFrame, canvas, CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y), m_doneSelectingButton);
    m_iconManager->addIcon();
    m_iconManager->setDelegate(WeakPtr<QVIconManagerDelegate>(this));
    m_iconManager->showDeleteButtonOnIcons(false);

    m_addIconButton = UIButton::buttonWithType(UIButtonTypeContactAdd);
    m_addIconButton->setBackgroundColor(UIColor::whiteColor());
    m_addIconButton->layer()->setCornerRadius(12);
    m_addIconButton->layer()->setBorderWidth(0.5);
    m_addIconButton->layer()->setBorderColor(accentColor());
    m_addIconButton->setAccessibilityLabel("+");
    QVIconManager* manager = m_iconManager.get();
    m_addIconButton->addTarget(manager, UIControl::Action([manager](UIControl&, UIEvent*) { manager->addIcon(); }), UIControlEventTouchUpInside);
    configureButton(*m_addIconButton, false);
    canvas->addSubview(m_addIconButton);

    m_saveButton = makeSystemButton("Save", &QVLayoutMaker::saveButtonClicked, true);
    m_gridButton = makeSystemButton("Grid", &QVLayoutMaker::gridButtonClicked, true);
    m_imageButton = makeSystemButton("Image", &QVLayoutMaker::imageButtonClicked, true);
}

void QVLayoutMaker::layOutViews()
{
    Ref<UIView> canvas = view();
    const CGSize screen = canvas->frame().size;
    m_background->setFrame(canvas->frame());

    m_folderBG->setFrame(folderFrameOnScreen(m_folderBG->frame().size, screen));

    placeFolderRelativeIcons();
    giveIconManagerTheBoundsInForce();
    if (m_folderModeEnabled) {
        const CGRect folderFrame = m_folderBG->frame();
        m_iconManager->updateAllIconsToNewBoundaries();
        m_gridView->setFrame(folderFrame);
        m_gridView->setGridFrame(folderFrame);
        m_gridView->setMaxBoundaries(CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
        m_gridView->resetGridPosition();
    } else {
        keepIconsOnScreen();
        m_gridView->setFrame(m_gridView->shown() ? m_gridFrame : CGRectZero);
        m_gridView->setGridFrame(m_gridFrame);
        m_gridView->setMaxBoundaries(CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
        m_gridView->updateGridLines();
    }

    // While the top row is hidden it is laid out where hiding moved it, so
    // that showing it again brings it back to its place.
    const CGFloat topRowY = m_buttonsHidden ? 20 - buttonsHiddenDistance : 20;
    m_doneSelectingButton->setFrame(CGRectMake(screen.width / 2 - 20, topRowY, 50, 24));
    m_addIconButton->setFrame(CGRectMake(screen.width - 32, topRowY, 22, 22));
    m_saveButton->setFrame(CGRectMake(10, screen.height - 84, 50, 24));
    m_gridButton->setFrame(CGRectMake(screen.width / 2 - 20, screen.height - 84, 50, 24));
    m_imageButton->setFrame(CGRectMake(screen.width - 70, screen.height - 84, 60, 24));

    WeakPtr<QVLayoutMaker> weakThis(this);
    performSelector(*this, { "_updatePopoverPositions", [weakThis] {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->updatePopoverPositions();
    } }, nullptr, 0.4);
}

// Buttons

void QVLayoutMaker::configureButton(UIButton& button, bool addBorder)
{
    if (addBorder) {
        button.setBackgroundColor(UIColor::whiteColor());
        button.layer()->setCornerRadius(4);
        button.layer()->setBorderWidth(0.5);
        button.layer()->setBorderColor(accentColor());
    }
    button.setTitleColor(UIColor::whiteColor(), UIControlStateHighlighted);
    button.addTarget(this, &QVLayoutMaker::buttonDown, UIControlEventTouchDown | UIControlEventTouchDragEnter);
    button.addTarget(this, &QVLayoutMaker::buttonUp,
        UIControlEventTouchUpInside | UIControlEventTouchUpOutside | UIControlEventTouchCancel | UIControlEventTouchDragExit);
}

void QVLayoutMaker::buttonDown(UIButton* sender)
{
    if (!sender)
        return;
    sender->setBackgroundColor(accentColor());
    if (sender == m_addIconButton.get()) {
        invalidateTimer(m_addIconTouchTimer);
        WeakPtr<QVLayoutMaker> weakThis(this);
        m_addIconTouchTimer = NSTimer::scheduledTimerWithTimeInterval(holdDuration, [weakThis](NSTimer&) {
            if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
                editor->showAddIconAmountAlert();
        }, false);
    }
}

void QVLayoutMaker::buttonUp(UIButton* sender)
{
    if (!sender)
        return;
    sender->setBackgroundColor(UIColor::whiteColor());
    if (sender == m_addIconButton.get() && m_addIconTouchTimer)
        m_addIconTouchTimer->invalidate();
}

// Sheets shown again after a re-layout

void QVLayoutMaker::showSheetFromButton(UIActionSheet& sheet, const RefPtr<UIButton>& button)
{
    sheet.showFromRect(button ? button->frame() : CGRectZero, view().ptr(), true);
}

void QVLayoutMaker::reshowSheet(const RefPtr<UIActionSheet>& sheet, const RefPtr<UIButton>& button)
{
    if (!sheet || !sheet->visible())
        return;
    // Closed without a tap, so no command runs, and opened at the button's
    // new place.
    sheet->dismissWithClickedButtonIndex(0, false);
    showSheetFromButton(*sheet, button);
}

void QVLayoutMaker::updatePopoverPositions()
{
    reshowSheet(m_imageButtonSheet, m_imageButton);
    reshowSheet(m_gridButtonSheet, m_gridButton);
    reshowSheet(m_saveOptionsSheet, m_saveButton);
    if (m_quickActionSheet && m_quickActionSheet->visible()) {
        m_quickActionSheet->dismissWithClickedButtonIndex(0, false);
        m_quickActionSheet->showInView(view().ptr());
    }
    // The theme popover follows the "Image" button to its new place.
    if (m_themeBrowserPopover && m_themeBrowserPopover->popoverVisible() && systemIsAtLeast8())
        presentThemePopoverOnNextTurn();
}

Ref<UIActionSheet> QVLayoutMaker::makeSheet(std::optional<std::string> destructive, std::vector<std::string> others)
{
    return makeRef<UIActionSheet>(std::string(), WeakPtr<UIActionSheetDelegate>(this), std::string("Cancel"), std::move(destructive), std::move(others));
}

void QVLayoutMaker::imageButtonClicked()
{
    m_imageButtonSheet = makeSheet(std::nullopt, { "Change Background Image", "Change Icon Image" });
    showSheetFromButton(*m_imageButtonSheet, m_imageButton);
}

} // namespace qv
