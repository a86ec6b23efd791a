// Folder mode: the editor asks SpringBoard's extension for the size of the
// open-folder background (a Darwin notification, then polling of the
// preference value it writes) and confines the icons and the grid to a
// folder background of that size.
#include "QVLayoutMaker.h"

#include "model/QVPreferenceNames.h"
#include "model/QVSharedPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/PerformSelector.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// "FolderViewSize" as an answer: a dictionary whose "width", "height" and
// "cornerRadius" are finite numbers where present (a missing one reads as
// 0). Anything else is no answer.
std::optional<QVFolderViewSize> folderViewSizeAnswer(const RefPtr<NSObject>& value)
{
    RefPtr<NSDictionary> dictionary = dynamicRefCast<NSDictionary>(value);
    if (!dictionary)
        return std::nullopt;
    QVFolderViewSize size;
    const std::pair<const char*, double*> fields[] = {
        { QVFolderViewWidthKey, &size.width }, { QVFolderViewHeightKey, &size.height }, { QVFolderViewCornerRadiusKey, &size.cornerRadius },
    };
    for (const auto& [key, field] : fields) {
        RefPtr<NSObject> entry = dictionary->objectForKey(key);
        if (!entry)
            continue;
        RefPtr<NSNumber> number = dynamicRefCast<NSNumber>(entry);
        if (!number || !std::isfinite(number->doubleValue()))
            return std::nullopt;
        *field = number->doubleValue();
    }
    return size;
}

} // namespace

void QVLayoutMaker::showFolderModeAlert()
{
    m_lastAlert = makeRef<UIAlertView>("Folder Mode",
        "There is now a \"Folder Mode\" where you can create layouts specifically designed for folders. Would you like to enable it now?\n"
        "Note: You can enable / disable Folder Mode by pressing the \"Options\" button then \"Enable / Disable Folder Mode\"",
        WeakPtr<UIAlertViewDelegate>(this), std::string("Later"), std::vector<std::string> { "Enable Folder Mode" });
    m_lastAlert->show();
}

void QVLayoutMaker::setFolderModeEnabled(bool enabled)
{
    if (!enabled && m_folderRequestPending) {
        // Leaving folder mode also ends a request still waiting for its
        // answer; icons waiting to be moved into the folder stay where they
        // are, as screen positions.
        stopFolderViewSizePoll();
        takeWaitingIconsAsScreenPositions();
        return;
    }
    if (enabled == m_folderModeEnabled || !m_iconManager || !m_gridView)
        return;
    if (enabled) {
        // One request at a time: a second one waits for the first's answer.
        if (m_folderRequestPending)
            return;
        m_folderRequestPending = true;
        QVSharedPreferences::postNotification(QVGetFolderViewSizeNotification);
        WeakPtr<QVLayoutMaker> weakThis(this);
        performSelector(*this, { "_folderViewSizeNotificationCenterDelayedAction", [weakThis] {
            if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
                editor->folderViewSizeNotificationCenterDelayedAction();
        } }, nullptr, 0.2);
        return;
    }
    m_folderModeEnabled = false;
    m_iconManager->setIconsFolderRelative(false);
    giveIconManagerTheBoundsInForce();
    m_gridView->setFrame(m_gridFrame);
    m_gridView->setGridFrame(m_gridFrame);
    m_gridView->setMaxBoundaries(CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
    m_gridView->updateGridIconPositions();
    m_folderBG->setAlpha(0);
}

void QVLayoutMaker::folderViewSizeNotificationCenterDelayedAction()
{
    if (!m_folderRequestPending)
        return;
    invalidateTimer(m_folderViewSizeTimer);
    WeakPtr<QVLayoutMaker> weakThis(this);
    m_folderViewSizeTimer = NSTimer::scheduledTimerWithTimeInterval(0.1, [weakThis](NSTimer&) {
        if (RefPtr<QVLayoutMaker> editor = weakThis.lock())
            editor->folderViewSizeCheck();
    }, true);
}

void QVLayoutMaker::stopFolderViewSizePoll()
{
    cancelPreviousPerformRequestsWithTarget(*this, "_folderViewSizeNotificationCenterDelayedAction", nullptr);
    invalidateTimer(m_folderViewSizeTimer);
    m_folderViewSizeCount = 0;
    m_folderRequestPending = false;
}

void QVLayoutMaker::folderViewSizeCheck()
{
    // The extension writes from another process: its value arrives here
    // with a synchronisation.
    QVSharedPreferences::synchronize();
    if (std::optional<QVFolderViewSize> answer = folderViewSizeAnswer(QVSharedPreferences::copyValue(QVFolderViewSizeKey))) {
        stopFolderViewSizePoll();
        folderViewSizeFound(CGSizeMake(static_cast<float>(answer->width), static_cast<float>(answer->height)), answer->cornerRadius);
        return;
    }
    if (++m_folderViewSizeCount <= folderViewSizeMaximumPolls)
        return;
    stopFolderViewSizePoll();
    // Folder mode stays off: icons waiting for the folder are screen
    // positions from now on, as everything is while folder mode is off.
    takeWaitingIconsAsScreenPositions();
    showMessage("Error", "Couldn't retrieve folder size. Please try again later...");
}

void QVLayoutMaker::folderViewSizeFound(CGSize size, double cornerRadius)
{
    folderModeReadyWithFolderBackgroundSize(size, cornerRadius);
    if (!QVSharedPreferences::boolForKey(QVUsedFolderModeBeforeKey))
        QVSharedPreferences::setValue(QVUsedFolderModeBeforeKey, NSNumber::numberWithBool(true));
    QVSharedPreferences::setValue(QVFolderViewSizeKey, nullptr);
    QVSharedPreferences::synchronize();
}

void QVLayoutMaker::moveScreenIconsIntoFolder(const char* animationName)
{
    const CGRect folder = m_folderBG->frame();
    UIView::beginAnimations(animationName);
    for (const Ref<QVIcon>& icon : m_iconManager->icons()) {
        CGRect frame = icon->frame();
        frame.origin.x += folder.origin.x;
        frame.origin.y += folder.origin.y - 20;
        icon->setFrame(frame);
    }
    UIView::commitAnimations();
}

void QVLayoutMaker::folderModeReadyWithFolderBackgroundSize(CGSize size, double cornerRadius)
{
    if (m_folderModeEnabled || !m_iconManager || !m_gridView)
        return;
    m_folderModeEnabled = true;
    const CGRect folder = folderFrameOnScreen(size, view()->frame().size);
    m_folderBG->setFrame(folder);
    m_folderBG->layer()->setCornerRadius(static_cast<float>(cornerRadius));
    // Icons that carry positions relative to the folder (as saved) move
    // into the folder background now that it has its place.
    placeFolderRelativeIcons();
    UIView::beginAnimations("Show folder background");
    m_folderBG->setAlpha(1);
    UIView::commitAnimations();
    giveIconManagerTheBoundsInForce();
    m_iconManager->updateAllIconsToNewBoundaries();
    m_gridView->setFrame(folder);
    m_gridView->setGridFrame(folder);
    m_gridView->setMaxBoundaries(CGSizeMake(m_maxIconPoint.x, m_maxIconPoint.y));
    m_gridView->resetGridPosition();
}

void QVLayoutMaker::placeFolderRelativeIcons()
{
    if (!m_iconManager || !m_iconManager->iconsFolderRelative())
        return;
    if (!m_folderModeEnabled) {
        // While the folder's size is asked for they wait; with folder mode
        // off they are screen positions, as leaving folder mode keeps the
        // icons where they are.
        if (!m_folderRequestPending)
            takeWaitingIconsAsScreenPositions();
        return;
    }
    // Read from a folder layout and never shown in folder mode: they take
    // this orientation's folder background now, before they are confined
    // to it. Nothing of another folder's bounds holds them back on the way.
    const CGRect folder = m_folderBG->frame();
    m_iconManager->setMinimumIconPoint(CGPointMake(0, 0));
    m_iconManager->setIconBoundaries(CGSizeMake(folder.origin.x + folder.size.width, folder.origin.y + folder.size.height));
    moveScreenIconsIntoFolder("Folder mode icon fix");
    m_iconManager->setIconsFolderRelative(false);
}

void QVLayoutMaker::takeWaitingIconsAsScreenPositions()
{
    if (!m_iconManager)
        return;
    m_iconManager->setIconsFolderRelative(false);
    keepIconsOnScreen();
}

void QVLayoutMaker::keepIconsOnScreen()
{
    // Icons waiting for the folder are placed by the folder's bounds once
    // they are in it, not by the whole screen's.
    if (!m_iconManager || m_iconManager->iconsFolderRelative())
        return;
    for (const Ref<QVIcon>& icon : m_iconManager->icons()) {
        const CGRect frame = icon->frame();
        const CGFloat x = std::clamp<CGFloat>(frame.origin.x, 0, std::max<CGFloat>(0, m_maxIconPoint.x));
        const CGFloat y = std::clamp<CGFloat>(frame.origin.y, 0, std::max<CGFloat>(0, m_maxIconPoint.y));
        if (x != frame.origin.x || y != frame.origin.y)
            icon->setFrame(CGRectMake(x, y, frame.size.width, frame.size.height));
    }
}

} // namespace qv
