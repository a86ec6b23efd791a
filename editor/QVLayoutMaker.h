#pragma once

#include "AppDelegate.h"
#include "QVGridView.h"
#include "QVIconManager.h"
#include "QVTutorialControllerDelegate.h"

#include "library/themes/QVThemeBrowserDelegate.h"

#include "model/QVDevice.h"
#include "model/QVReader.h"
#include "model/QVSettings.h"
#include "model/QVUtilities.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UIPopoverController.h"
#include "platform/UIKit/UITextFieldDelegate.h"
#include "platform/UIKit/UIViewController.h"

#include <optional>
#include <string>

namespace qv {

// The layout editor, the application's first tab: a full-screen canvas
// standing for the device's home screen, with the background image, the
// folder background, the grid, the icons, the top row of buttons
// ("Options", "Done", "+") and the bottom row ("Save", "Grid", "Image").
// It builds everything in code when its view loads and lays it out again
// when the device turns between portrait and landscape; every command
// reaches it as a tapped button of one of its sheets or alerts.
class QVLayoutMaker : public UIViewController, public UIActionSheetDelegate, public UIAlertViewDelegate,
                      public UITextFieldDelegate, public QVGridViewDelegate, public QVIconManagerDelegate,
                      public QVTutorialControllerDelegate, public QVThemeBrowserDelegate {
public:
    std::string className() const override { return "QVLayoutMaker"; }
    QVLayoutMaker() = default;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    UIStatusBarStyle preferredStatusBarStyle() override { return UIStatusBarStyleLightContent; }
    bool shouldAutorotate() override;
    uint64_t supportedInterfaceOrientations() override;
    void willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration) override;

    // Screen building and layout.
    void setViewSizeWithInterfaceOrientation(int64_t orientation);
    void configureView(bool first);
    void updatePopoverPositions();
    void updateViewHandlerBugFix();
    void viewLayoutManager();

    // Touches on the canvas and the quick actions.
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;
    void touchHeld();
    void toggleButtons(bool show);
    void optionButtonClicked();

    // Commands.
    void gridButtonClicked();
    void imageButtonClicked();
    void saveButtonClicked();
    void showAddIconAmountAlert();
    void setIconAmount(int64_t amount);
    void startSelectingIcons();
    void doneSelectingButtonClicked();
    void setIgnoreIconTouches(bool ignore);
    void clearLayoutCacheUsingCurrentInterfaceOrientation();
    void clearLayoutCacheWithInterfaceOrientation(int64_t orientation);
    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex) override;
    void alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex) override;
    bool textField(UITextField* field, NSRange range, const std::string& replacement) override;
    bool textFieldShouldReturn(UITextField* field) override;
    void didDismissTutorialController(QVTutorialController* controller) override;

    // The theme browser, for the icon image (browse type 0) or the
    // background image (1): a popover from the image button on the iPad, a
    // modal screen elsewhere. It stores the chosen image in the settings.
    void showThemeBrowserWithBrowseType(int32_t browseType);
    void themeBrowserDidFinishWithBrowseType(QVThemeBrowser* browser, int32_t browseType) override;
    void themeBrowserDidCancel(QVThemeBrowser* browser) override;
    RefPtr<UIPopoverController> themeBrowserPopover() const { return m_themeBrowserPopover; }

    // Loading a layout handed over by the saved layouts tab.
    void checkForLayoutToView();

    // Folder mode: the handshake with SpringBoard for the folder's size,
    // and the editor laid out for the inside of a folder.
    void showFolderModeAlert();
    void setFolderModeEnabled(bool enabled);
    void folderViewSizeCheck();
    void folderModeReadyWithFolderBackgroundSize(CGSize size, double cornerRadius);
    bool folderModeRequestPending() const { return m_folderRequestPending; }
    static constexpr unsigned folderViewSizeMaximumPolls = 100;

    // The editor's tutorial chain, cards 0 to 8.
    void viewTutorial();

    // Saving: the name prompt, the assembly of the halves, the writing
    // under the overwrite and renaming rules.
    void showSaveAlert();
    void saveLayoutWithName(const std::string& name, bool portrait, bool landscape);
    void overwriteLayout();

    // The layout file of the wanted halves: the half on the screen from the
    // icons and the grid, the other from the icon manager's caches when
    // they are usable. Nothing when no wanted half is available.
    RefPtr<NSDictionary> generateLayout(bool portrait, bool landscape) const;
    // The origins array of one half's icons, in list order; in folder mode
    // relative to that half's folder background.
    Ref<NSArray> originsOfIcons(const std::vector<Ref<QVIcon>>& icons, bool landscape) const;
    // A name the user layouts folder can hold as "<name>.plist": not empty,
    // no "/" and not too long for a file name.
    static bool isUsableLayoutName(const std::string& name);
    // Writes the layout to "<user layouts folder>/<name>.plist", atomically.
    bool writeLayout(const NSDictionary& layout, const std::string& name) const;

    // QVGridViewDelegate
    std::vector<Ref<QVIcon>> currentIconsForGridView(QVGridView*) override;
    void gridViewDeleteAllIcons(QVGridView*, bool addOne) override;
    void gridViewUpdateCurrentIconPositions(QVGridView*, const std::vector<CGPoint>& positions) override;
    void gridViewAddIconAtCenter(QVGridView*, CGPoint center, int32_t lockedIndex) override;
    CGSize defaultIconSizeForGridView(QVGridView*) override { return m_defaultIconFrame.size; }
    bool isSelectingInGridView(QVGridView*) override { return m_selectingIcons; }
    void gridViewTouchesBegan(QVGridView*, const UITouchSet& touches, UIEvent* event) override { touchesBegan(touches, event); }
    void gridViewTouchesMoved(QVGridView*, const UITouchSet& touches, UIEvent* event) override { touchesMoved(touches, event); }
    void gridViewTouchesEnded(QVGridView*, const UITouchSet& touches, UIEvent* event) override { touchesEnded(touches, event); }
    void gridViewTouchesCancelled(QVGridView*, const UITouchSet& touches, UIEvent* event) override { touchesCancelled(touches, event); }
    void gridHeldInGridView(QVGridView*) override { touchHeld(); }

    // QVIconManagerDelegate
    CGRect gridFrameForIconManager(QVIconManager*) override;
    void setGridFrameFromIconManager(CGRect frame, QVIconManager*) override;
    void iconManagerObservedPositionPopoverFromIcon(QVIconManager*, QVIcon* icon) override;
    CGRect newIconFrameForIconManager(QVIconManager*, bool landscape) override;

    // What the screen shows, for whoever looks at it.
    RefPtr<QVGridView> gridView() const { return m_gridView; }
    RefPtr<QVIconManager> iconManager() const { return m_iconManager; }
    RefPtr<UIImageView> background() const { return m_background; }
    RefPtr<UIView> folderBG() const { return m_folderBG; }
    RefPtr<UIButton> optionButton() const { return m_optionButton; }
    RefPtr<UIButton> addIconButton() const { return m_addIconButton; }
    RefPtr<UIButton> doneSelectingButton() const { return m_doneSelectingButton; }
    RefPtr<UIButton> saveButton() const { return m_saveButton; }
    RefPtr<UIButton> gridButton() const { return m_gridButton; }
    RefPtr<UIButton> imageButton() const { return m_imageButton; }
    RefPtr<UIActionSheet> gridButtonSheet() const { return m_gridButtonSheet; }
    RefPtr<UIActionSheet> quickActionSheet() const { return m_quickActionSheet; }
    RefPtr<UIAlertView> lastAlert() const { return m_lastAlert; }
    RefPtr<QVIcon> positionPopoverIcon() const { return m_positionPopoverIcon; }
    CGRect gridFrame() const { return m_gridFrame; }
    CGPoint maxIconPoint() const { return m_maxIconPoint; }
    CGRect defaultIconFrame() const { return m_defaultIconFrame; }
    void setDefaultIconFrame(CGRect frame) { m_defaultIconFrame = frame; }
    bool buttonsHidden() const { return m_buttonsHidden; }
    bool selectingIcons() const { return m_selectingIcons; }
    bool ignoreIconTouches() const { return m_ignoreIconTouches; }
    bool folderModeEnabled() const { return m_folderModeEnabled; }
    bool tutorialShowing() const { return m_tutorialShowing; }
    int64_t lastOrientation() const { return m_lastOrientation; }
    // Whether landscape is on the screen.
    bool landscapeOnScreen() const;

    static constexpr double holdDuration = 0.5;
    static constexpr CGFloat buttonsHiddenDistance = 52;

protected:
    ~QVLayoutMaker() override;

private:
    // The theme popover is shown from the "Image" button; on system 8.0 and
    // later on the main queue's next turn, once the image sheet has gone.
    static bool systemIsAtLeast8();
    void presentThemePopover();
    void presentThemePopoverOnNextTurn();

    Ref<UIButton> makeSystemButton(const std::string& title, void (QVLayoutMaker::*action)(), bool withTitleFont);
    void configureButton(UIButton& button, bool addBorder);
    void buttonDown(UIButton* sender);
    void buttonUp(UIButton* sender);
    void buildViews();
    // The view's size in one orientation class on a device of a known
    // class; nothing on any other device, whose view keeps its size.
    std::optional<CGSize> deviceViewSize(bool landscape) const;
    // A new icon's frame: horizontally centred, 30 points from the top.
    CGRect defaultIconFrameOnScreen(CGSize screen) const;
    void layOutViews();
    // The folder background of this size on a screen of that size: centred,
    // raised by 20 points, at least 20 points from the top.
    static CGRect folderFrameOnScreen(CGSize folder, CGSize screen);
    // The icon manager's smallest and largest icon origin, for the screen as
    // it is now sized and the mode in force: the whole screen with folder
    // mode off, the folder background it would have here with it on.
    void giveIconManagerTheBoundsInForce();
    void reshowSheet(const RefPtr<UIActionSheet>& sheet, const RefPtr<UIButton>& button);
    void showSheetFromButton(UIActionSheet& sheet, const RefPtr<UIButton>& button);
    Ref<UIActionSheet> makeSheet(std::optional<std::string> destructive, std::vector<std::string> others);
    void showDeleteOptions();
    void moveTopButtons(CGFloat distance);
    void hideIconBeneathSubviews();
    void bringIconAboveSubviews();
    void loadHalf(NSDictionary& extracted, bool landscape, bool folderLayout);
    Ref<NSDictionary> gridEntry(CGSize gridSize, CGRect frame) const;
    void invalidateTimer(RefPtr<NSTimer>& timer);
    void folderViewSizeNotificationCenterDelayedAction();
    void stopFolderViewSizePoll();
    void folderViewSizeFound(CGSize size, double cornerRadius);
    void moveScreenIconsIntoFolder(const char* animationName);
    // Icons on the screen that still hold a folder layout's positions as
    // read (the icon manager's mark, which moves with the icons between
    // the screen and the caches) are placed: moved into the folder
    // background when folder mode is on; taken as screen positions when it
    // is off and not asked for; left waiting while it is asked for.
    void placeFolderRelativeIcons();
    // Icons on the screen outside the whole screen's bounds (a cached half
    // kept as its file had it) are brought inside, as icons opened on the
    // screen are; icons still waiting for the folder are left to it.
    void keepIconsOnScreen();
    // Icons that waited for a folder that does not come (folder mode left
    // or refused) are screen positions from now on, within the screen.
    void takeWaitingIconsAsScreenPositions();
    bool cacheFolderRelative(bool landscape) const;
    void showTutorialCard(int32_t key);
    bool cachedHalfUsable(bool landscape) const;
    void saveLayout(NSDictionary& layout, const std::string& name, const std::string& missingHalf);
    void showMessage(const std::string& title, const std::string& message);

    RefPtr<QVUtilities> m_utilities;
    RefPtr<QVSettings> m_settings;
    RefPtr<QVDevice> m_device;
    RefPtr<AppDelegate> m_appDelegate;
    RefPtr<UIImageView> m_background;
    RefPtr<UIButton> m_saveButton;
    RefPtr<UIButton> m_imageButton;
    RefPtr<UIButton> m_gridButton;
    RefPtr<QVIconManager> m_iconManager;
    RefPtr<NSTimer> m_touchTimer;
    RefPtr<NSTimer> m_addIconTouchTimer;
    RefPtr<UIButton> m_optionButton;
    RefPtr<UIButton> m_addIconButton;
    bool m_buttonsHidden = false;
    RefPtr<NSFileManager> m_fileManager;
    RefPtr<QVReader> m_reader;
    RefPtr<QVGridView> m_gridView;
    CGPoint m_maxIconPoint;
    CGRect m_gridFrame;
    RefPtr<UIAlertView> m_saveAlert;
    bool m_selectingIcons = false;
    bool m_draggingSelected = false;
    bool m_ignoreIconTouches = false;
    bool m_folderModeEnabled = false;
    CGPoint m_draggingSelectedRefPoint;
    RefPtr<UIButton> m_doneSelectingButton;
    int64_t m_lastOrientation = UIInterfaceOrientationPortrait;
    RefPtr<UIActionSheet> m_imageButtonSheet;
    RefPtr<UIActionSheet> m_gridButtonSheet;
    RefPtr<UIActionSheet> m_saveOptionsSheet;
    RefPtr<UIActionSheet> m_quickActionSheet;
    RefPtr<UIActionSheet> m_optionsSheet;
    RefPtr<UIAlertView> m_lastAlert;
    bool m_tutorialShowing = false;
    RefPtr<UIView> m_folderBG;
    CGRect m_landscapeFolderFrameCache;
    CGRect m_portraitFolderFrameCache;
    RefPtr<QVIcon> m_positionPopoverIcon;
    RefPtr<NSTimer> m_folderViewSizeTimer;
    unsigned m_folderViewSizeCount = 0;
    bool m_folderRequestPending = false;
    RefPtr<NSDictionary> m_overwriteLayout;
    std::string m_overwriteLayoutName;
    std::string m_overwriteLayoutFilePath;
    bool m_includePortrait = true;
    bool m_includeLandscape = true;
    CGRect m_defaultIconFrame;
    RefPtr<UIPopoverController> m_themeBrowserPopover;
};

} // namespace qv
