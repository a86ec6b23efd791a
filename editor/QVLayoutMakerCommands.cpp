// The editor's commands: the dispatch of its sheets and alerts, the grid
// sheet, deleting, the icon amount, selection, ignoring icon touches,
// rotation and its answers to the grid view and the icon manager.
#include "QVLayoutMaker.h"

#include "QVNumberFieldEdit.h"

#include "model/QVThemeImages.h"

#include "platform/Foundation/PerformSelector.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UITextField.h"
#include "platform/core/Log.h"

namespace qv {

namespace {

constexpr const char* iconAmountPlaceholder = "Icon Amount";
constexpr const char* layoutNamePlaceholder = "Layout Name";

std::string gridSizeTitle(CGSize gridSize)
{
    return stringWithFormat("Change Grid Size (%i x %i)", static_cast<int>(gridSize.width), static_cast<int>(gridSize.height));
}

} // namespace

// Sheets

void QVLayoutMaker::gridButtonClicked()
{
    std::vector<std::string> buttons;
    if (m_gridView && m_gridView->shown()) {
        buttons = { "Hide Grid", "Reset Grid Position", gridSizeTitle(m_settings->gridSize()), "Unlock All Icons", "Fill Grid",
            m_ignoreIconTouches ? "Acknowledge Icon Touches" : "Ignore Icon Touches" };
    } else {
        buttons = { "Show Grid" };
    }
    m_gridButtonSheet = makeSheet(std::nullopt, std::move(buttons));
    showSheetFromButton(*m_gridButtonSheet, m_gridButton);
}

void QVLayoutMaker::saveButtonClicked()
{
    m_saveOptionsSheet = makeSheet(std::nullopt, { "Save Portrait & Landscape", "Save Portrait", "Save Landscape" });
    showSheetFromButton(*m_saveOptionsSheet, m_saveButton);
}

void QVLayoutMaker::actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t buttonIndex)
{
    if (!sheet || !m_iconManager || !m_gridView)
        return;
    Ref<QVLayoutMaker> protectedThis(*this);
    const std::string title = sheet->buttonTitleAtIndex(buttonIndex);
    if (title == "Delete All Icons")
        showDeleteOptions();
    else if (title == "Show Delete On Icons" || title == "Hide Delete On Icons")
        m_iconManager->showDeleteButtonOnIcons(title == "Show Delete On Icons");
    else if (title == "Hide Buttons") {
        m_buttonsHidden = true;
        toggleButtons(false);
    } else if (title == "Show Buttons") {
        m_buttonsHidden = false;
        toggleButtons(true);
    } else if (title == "Show Grid") {
        m_gridView->setShown(true);
        m_gridView->toggleGrid(true, m_folderModeEnabled);
    } else if (title == "Hide Grid") {
        m_gridView->setShown(false);
        m_gridView->toggleGrid(false, false);
    } else if (title == "Reset Grid Position")
        m_gridView->resetGridPosition();
    else if (title == gridSizeTitle(m_settings->gridSize()))
        m_gridView->showGridSizePopover();
    else if (title == "Unlock All Icons")
        m_gridView->unlockAllIcons();
    else if (title == "Fill Grid")
        m_gridView->showFillGridOptions();
    else if (title == "Save Portrait & Landscape" || title == "Save Portrait" || title == "Save Landscape") {
        m_includePortrait = title != "Save Landscape";
        m_includeLandscape = title != "Save Portrait";
        showSaveAlert();
    } else if (title == "Show Icon Labels" || title == "Hide Icon Labels")
        m_iconManager->showIconNameLabels(title == "Show Icon Labels");
    else if (title == "Start Selecting Icons")
        startSelectingIcons();
    else if (title == "Stop Selecting Icons")
        doneSelectingButtonClicked();
    else if (title == "Change Icon Image")
        showThemeBrowserWithBrowseType(QVBrowseTypeIconImage);
    else if (title == "Change Background Image")
        showThemeBrowserWithBrowseType(QVBrowseTypeBackgroundImage);
    else if (title == "Ignore Icon Touches" || title == "Acknowledge Icon Touches")
        setIgnoreIconTouches(title == "Ignore Icon Touches");
    else if (title == "View Tutorial") {
        m_settings->resetTutorial();
        viewTutorial();
    } else if (title == "Enable Folder Mode" || title == "Disable Folder Mode")
        setFolderModeEnabled(title == "Enable Folder Mode");
}

// Deleting icons

void QVLayoutMaker::showDeleteOptions()
{
    const bool landscape = landscapeOnScreen();
    m_lastAlert = makeRef<UIAlertView>("Delete Options",
        stringWithFormat("Would you like to also delete the %@ layouts?", landscape ? "Portrait" : "Landscape"),
        WeakPtr<UIAlertViewDelegate>(this), std::string("Cancel"),
        std::vector<std::string> { "Delete Portrait & Landscape", stringWithFormat("Delete %@ only", landscape ? "Landscape" : "Portrait") });
    m_lastAlert->show();
}

void QVLayoutMaker::clearLayoutCacheUsingCurrentInterfaceOrientation()
{
    clearLayoutCacheWithInterfaceOrientation(landscapeOnScreen() ? UIInterfaceOrientationPortrait : UIInterfaceOrientationLandscapeRight);
}

void QVLayoutMaker::clearLayoutCacheWithInterfaceOrientation(int64_t orientation)
{
    if (!m_iconManager)
        return;
    if (orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight)
        m_iconManager->clearLandscapeCache();
    else if (orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown)
        m_iconManager->clearPortraitCache();
}

// Alerts

void QVLayoutMaker::alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t buttonIndex)
{
    if (!alert || !m_iconManager)
        return;
    Ref<QVLayoutMaker> protectedThis(*this);
    const std::string title = alert->buttonTitleAtIndex(buttonIndex);
    RefPtr<UITextField> field = alert->alertViewStyle() == UIAlertViewStyleDefault ? nullptr : alert->textFieldAtIndex(0);
    const std::string onlyTitle = stringWithFormat("Delete %@ only", landscapeOnScreen() ? "Landscape" : "Portrait");
    if (title == "Save" && field) {
        saveLayoutWithName(field->text(), m_includePortrait, m_includeLandscape);
    } else if (title == "Overwrite") {
        overwriteLayout();
    } else if (title == "Set" && field && field->placeholder() == iconAmountPlaceholder) {
        setIconAmount(QVNumberFieldValue(field->text()));
    } else if (title == "Delete Portrait & Landscape") {
        m_iconManager->deleteAllIcons(true);
        clearLayoutCacheUsingCurrentInterfaceOrientation();
    } else if (title == onlyTitle) {
        m_iconManager->deleteAllIcons(true);
    } else if (title == "Enable Folder Mode") {
        setFolderModeEnabled(true);
    }
}

// The icon amount

void QVLayoutMaker::showAddIconAmountAlert()
{
    m_lastAlert = makeRef<UIAlertView>("Set Icon Amount", "How many Icons do you want on the screen?",
        WeakPtr<UIAlertViewDelegate>(this), std::string("Cancel"), std::vector<std::string> { "Set" });
    m_lastAlert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    if (RefPtr<UITextField> field = m_lastAlert->textFieldAtIndex(0)) {
        field->setPlaceholder(iconAmountPlaceholder);
        field->setKeyboardType(UIKeyboardTypeNumberPad);
        field->setDelegate(WeakPtr<UITextFieldDelegate>(this));
    }
    m_lastAlert->show();
}

bool QVLayoutMaker::textField(UITextField* field, NSRange range, const std::string& replacement)
{
    if (!field || field->placeholder() != iconAmountPlaceholder)
        return true;
    const std::optional<std::string> edited = QVNumberFieldEditedText(field->text(), range, replacement);
    return edited && QVNumberFieldValue(*edited) <= 999;
}

bool QVLayoutMaker::textFieldShouldReturn(UITextField* field)
{
    if (!field)
        return false;
    Ref<QVLayoutMaker> protectedThis(*this);
    if (field->placeholder() == layoutNamePlaceholder) {
        // Taken before the prompt goes: the save may open another one.
        RefPtr<UIAlertView> prompt = std::move(m_saveAlert);
        const std::string name = field->text();
        field->resignFirstResponder();
        if (prompt && prompt->visible())
            prompt->dismissWithClickedButtonIndex(1, true);
        saveLayoutWithName(name, m_includePortrait, m_includeLandscape);
        return false;
    }
    field->resignFirstResponder();
    return false;
}

void QVLayoutMaker::setIconAmount(int64_t amount)
{
    if (!m_iconManager)
        return;
    const int64_t count = static_cast<int64_t>(m_iconManager->icons().size());
    if (amount <= 0 || amount == count)
        return;
    if (amount > count)
        m_iconManager->addIcons(static_cast<int32_t>(amount - count));
    else
        m_iconManager->deleteIcons(static_cast<int32_t>(count - amount));
}

// Selection and icon touches

void QVLayoutMaker::startSelectingIcons()
{
    UIView::beginAnimations("Show Selecting Done Button");
    m_doneSelectingButton->setAlpha(1);
    UIView::commitAnimations();
    m_selectingIcons = true;
    m_iconManager->setSelecting(true);
}

void QVLayoutMaker::doneSelectingButtonClicked()
{
    UIView::beginAnimations("Hide Selecting Done Button");
    m_doneSelectingButton->setAlpha(0);
    UIView::commitAnimations();
    m_selectingIcons = false;
    m_iconManager->setSelecting(false);
}

void QVLayoutMaker::setIgnoreIconTouches(bool ignore)
{
    m_ignoreIconTouches = ignore;
    if (ignore)
        hideIconBeneathSubviews();
    else
        bringIconAboveSubviews();
}

void QVLayoutMaker::hideIconBeneathSubviews()
{
    Ref<UIView> canvas = view();
    canvas->bringSubviewToFront(m_gridView.get());
    canvas->bringSubviewToFront(m_optionButton.get());
    canvas->bringSubviewToFront(m_addIconButton.get());
    // The grid reaches down over the bottom row; the row stays above it so
    // that "Grid" can still acknowledge the icons' touches.
    for (const RefPtr<UIButton>& button : { m_saveButton, m_gridButton, m_imageButton })
        canvas->bringSubviewToFront(button.get());
}

void QVLayoutMaker::bringIconAboveSubviews()
{
    Ref<UIView> canvas = view();
    canvas->insertSubviewAboveSubview(m_gridView, m_background.get());
    canvas->insertSubviewAboveSubview(m_optionButton, m_doneSelectingButton.get());
    canvas->insertSubviewAboveSubview(m_addIconButton, m_optionButton.get());
}

// Rotation

bool QVLayoutMaker::shouldAutorotate()
{
    const bool rotate = !m_tutorialShowing && !(m_gridView && m_gridView->tutorialShowing());
    if (m_appDelegate)
        m_appDelegate->setShouldAutoRotate(rotate);
    return rotate;
}

uint64_t QVLayoutMaker::supportedInterfaceOrientations()
{
    return m_appDelegate ? m_appDelegate->supportedInterfaceOrientations() : static_cast<uint64_t>(UIInterfaceOrientationMaskAll);
}

void QVLayoutMaker::willRotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration)
{
    const int64_t current = interfaceOrientation();
    const bool currentLandscape = current == UIInterfaceOrientationLandscapeLeft || current == UIInterfaceOrientationLandscapeRight;
    const bool targetLandscape = orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight;
    if (currentLandscape == targetLandscape)
        return;
    m_lastOrientation = orientation;
    setViewSizeWithInterfaceOrientation(orientation);
    configureView(false);
    WeakPtr<QVLayoutMaker> weakThis(this);
    performSelector(*this, { "_updateViewHandlerBugFix", [weakThis] {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->updateViewHandlerBugFix();
    } }, nullptr, duration);
}

// Answers to the grid view and the icon manager

std::vector<Ref<QVIcon>> QVLayoutMaker::currentIconsForGridView(QVGridView*)
{
    return m_iconManager ? m_iconManager->icons() : std::vector<Ref<QVIcon>>();
}

void QVLayoutMaker::gridViewDeleteAllIcons(QVGridView*, bool addOne)
{
    if (m_iconManager)
        m_iconManager->deleteAllIcons(addOne);
}

void QVLayoutMaker::gridViewUpdateCurrentIconPositions(QVGridView*, const std::vector<CGPoint>& positions)
{
    if (m_iconManager)
        m_iconManager->setIconGridPositions(positions);
}

void QVLayoutMaker::gridViewAddIconAtCenter(QVGridView*, CGPoint center, int32_t lockedIndex)
{
    if (m_iconManager)
        m_iconManager->addIconAtCenter(center, lockedIndex);
}

CGRect QVLayoutMaker::gridFrameForIconManager(QVIconManager*)
{
    return m_gridView ? m_gridView->gridBG()->frame() : CGRectZero;
}

void QVLayoutMaker::setGridFrameFromIconManager(CGRect frame, QVIconManager*)
{
    // A frame never cached is empty: the grid stays where it is.
    if (m_gridView && frame.size.width > 0 && frame.size.height > 0)
        m_gridView->gridBG()->setFrame(frame);
}

void QVLayoutMaker::iconManagerObservedPositionPopoverFromIcon(QVIconManager*, QVIcon* icon)
{
    m_positionPopoverIcon = icon;
}

} // namespace qv
