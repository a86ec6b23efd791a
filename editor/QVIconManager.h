#pragma once

#include "QVIcon.h"
#include "QVIconDelegate.h"
#include "QVIconManagerDelegate.h"

#include "model/QVSettings.h"
#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"

#include <vector>

namespace qv {

// Owns the editor's icons: the ordered list on the canvas (icon i has id
// i + 1), their numbering, the multi-selection, the captions and delete
// buttons, the bounds every icon keeps, and the arrangement of the other
// orientation, cached with its grid, while one orientation is on screen.
class QVIconManager : public NSObject, public QVIconDelegate {
public:
    std::string className() const override { return "QVIconManager"; }
    // Icons go into `iconView` just below `lowestSubview`. No icon is made.
    QVIconManager(CGRect defaultIconFrame, Ref<UIView> iconView, CGSize iconBoundaries, RefPtr<UIView> lowestSubview);

    Ref<QVIcon> addIcon();
    void addIcons(int32_t count);
    Ref<QVIcon> addIconAtCenter(CGPoint center, int32_t lockedIndex);
    Ref<QVIcon> addIconWithFrame(CGRect frame, int32_t lockedIndex);
    // An icon on the screen whose frame is exactly the one given, not held
    // within this orientation's bounds: a folder layout's positions as
    // read, which are bounded only once they are moved into the folder.
    Ref<QVIcon> addIconAtExactFrame(CGRect frame, int32_t lockedIndex);
    // A new icon that is neither shown nor listed (to fill a cache), its
    // frame exactly the one given (not clamped to this orientation's
    // bounds).
    Ref<QVIcon> iconWithFrame(CGRect frame, int32_t lockedIndex);
    // The last icon; nothing on an empty list.
    void deleteIcon();
    // The last `count` icons, stopping when the list is empty.
    void deleteIcons(int32_t count);
    void deleteAllIcons(bool addOne);
    void clearPortraitCache() { setPortraitIconCache({}); }
    void clearLandscapeCache() { setLandscapeIconCache({}); }
    void setSelecting(bool selecting);
    void showIconNameLabels(bool show);
    void showDeleteButtonOnIcons(bool show);
    void iconImageChanged();
    void setDefaultIconFrame(CGRect frame) { m_defaultIconFrame = frame; }
    CGRect defaultIconFrame() const { return m_defaultIconFrame; }
    void setIconBoundaries(CGSize bounds);
    CGSize iconBoundaries() const { return m_iconBoundaries; }
    void setMinimumIconPoint(CGPoint point);
    CGPoint minimumIconPoint() const { return m_minimumIconPoint; }
    void updateAllIconsToNewBoundaries();
    // Caches the arrangement on screen as the other orientation's and puts
    // this orientation's on screen, each of its icons given the bounds set
    // now (smallest and largest origin).
    void loadPortraitOrientation();
    void loadLandscapeOrientation();

    // QVIconDelegate
    int32_t getNewIconIdForIcon(QVIcon* icon) override;
    void deleteIcon(QVIcon* icon) override;
    void swapIconWithId(int32_t iconId, int32_t otherId) override;
    std::vector<CGPoint> currentIconGridPositions() override { return m_iconGridPositions; }
    bool shouldShowDeleteOnIcon(int32_t) override { return m_showDeleteOnIcons; }
    bool shouldShowNameLabelOnIcon(int32_t) override { return m_nameLabelShowing; }
    bool isSelecting() override { return m_selecting; }
    void iconHasBeenSelected(int32_t iconId, bool selected) override;
    void iconStartedShowingPositionPopover(QVIcon* icon) override;

    const std::vector<Ref<QVIcon>>& icons() const { return m_icons; }
    const std::vector<Ref<QVIcon>>& selectedIcons() const { return m_selectedIcons; }
    const std::vector<CGPoint>& iconGridPositions() const { return m_iconGridPositions; }
    void setIconGridPositions(std::vector<CGPoint> positions) { m_iconGridPositions = std::move(positions); }
    const std::vector<Ref<QVIcon>>& portraitIconCache() const { return m_portraitIconCache; }
    void setPortraitIconCache(std::vector<Ref<QVIcon>> icons, bool folderRelative = false)
    {
        m_portraitIconCache = std::move(icons);
        m_portraitCacheFolderRelative = folderRelative;
    }
    const std::vector<Ref<QVIcon>>& landscapeIconCache() const { return m_landscapeIconCache; }
    void setLandscapeIconCache(std::vector<Ref<QVIcon>> icons, bool folderRelative = false)
    {
        m_landscapeIconCache = std::move(icons);
        m_landscapeCacheFolderRelative = folderRelative;
    }

    // Whether the icons on the screen, or those of a cache, still hold a
    // folder layout's positions as its file has them: relative to the
    // folder background, 20 added to y, not yet placed on this screen. The
    // mark belongs to the arrangement and moves with its icons: a restore
    // takes the marks along with the icons it swaps, setting a cache's
    // icons sets its mark (clear unless said), and deleting all icons on
    // the screen clears the screen's. The editor places marked icons when
    // they come on the screen and clears the mark then.
    bool iconsFolderRelative() const { return m_iconsFolderRelative; }
    void setIconsFolderRelative(bool relative) { m_iconsFolderRelative = relative; }
    bool portraitCacheFolderRelative() const { return m_portraitCacheFolderRelative; }
    bool landscapeCacheFolderRelative() const { return m_landscapeCacheFolderRelative; }
    CGSize portraitGridSizeCache() const { return m_portraitGridSizeCache; }
    void setPortraitGridSizeCache(CGSize size) { m_portraitGridSizeCache = size; }
    CGSize landscapeGridSizeCache() const { return m_landscapeGridSizeCache; }
    void setLandscapeGridSizeCache(CGSize size) { m_landscapeGridSizeCache = size; }
    CGRect portraitGridFrameCache() const { return m_portraitGridFrameCache; }
    void setPortraitGridFrameCache(CGRect frame) { m_portraitGridFrameCache = frame; }
    CGRect landscapeGridFrameCache() const { return m_landscapeGridFrameCache; }
    void setLandscapeGridFrameCache(CGRect frame) { m_landscapeGridFrameCache = frame; }
    bool showDeleteOnIcons() const { return m_showDeleteOnIcons; }
    bool nameLabelShowing() const { return m_nameLabelShowing; }
    bool selecting() const { return m_selecting; }
    RefPtr<QVIconManagerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const WeakPtr<QVIconManagerDelegate>& delegate) { m_delegate = delegate; }

protected:
    ~QVIconManager() override = default;

private:
    // One orientation's side of a restore.
    struct Arrangement {
        std::vector<Ref<QVIcon>>& icons;
        CGSize& gridSize;
        CGRect& gridFrame;
        bool& folderRelative;
    };
    void restore(Arrangement incoming, Arrangement outgoing);
    Ref<QVIcon> makeIcon(CGRect frame, bool useId, int32_t iconId);
    Ref<QVIcon> makeIconAtExactFrame(CGRect frame);
    Ref<QVIcon> addIconUsingId(bool useId, int32_t iconId);
    Ref<QVIcon> iconWithFrame(CGRect frame, int32_t lockedIndex, bool checkIconPosition);
    void insertIcon(QVIcon& icon);
    Ref<QVIcon> listIcon(Ref<QVIcon> icon);
    // A cache that a delete emptied gets one fresh icon, as the screen
    // does: saving and turning find the same whenever the delete ended.
    void giveEmptiedCacheAFreshIcon(bool landscape);
    void removeIcon(QVIcon& icon);
    void removeFromSelection(const QVIcon& icon);
    void refreshIconLabels();
    RefPtr<QVIcon> iconWithId(int32_t iconId) const;

    const Ref<QVSettings> m_settings;
    CGRect m_defaultIconFrame;
    const Ref<UIView> m_iconView;
    const RefPtr<UIView> m_lowestSubview;
    CGSize m_iconBoundaries;
    bool m_showDeleteOnIcons = false;
    bool m_nameLabelShowing = false;
    bool m_selecting = false;
    std::vector<Ref<QVIcon>> m_icons;
    std::vector<Ref<QVIcon>> m_selectedIcons;
    std::vector<CGPoint> m_iconGridPositions;
    std::vector<Ref<QVIcon>> m_portraitIconCache;
    std::vector<Ref<QVIcon>> m_landscapeIconCache;
    WeakPtr<QVIconManagerDelegate> m_delegate;
    CGSize m_portraitGridSizeCache;
    CGSize m_landscapeGridSizeCache;
    CGPoint m_minimumIconPoint;
    CGRect m_portraitGridFrameCache;
    CGRect m_landscapeGridFrameCache;
    bool m_iconsFolderRelative = false;
    bool m_portraitCacheFolderRelative = false;
    bool m_landscapeCacheFolderRelative = false;
};

} // namespace qv
