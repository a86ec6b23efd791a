#pragma once

#include "SBIcon.h"
#include "SBIconListModel.h"
#include "SBIconView.h"
#include "SpringBoardTypes.h"
#include "platform/Foundation/NSArray.h"
#include "platform/UIKit/UIView.h"
#include "platform/objc/objc.h"

#include <vector>

namespace qv {

// The four kinds of icon list, told apart by the list's class.
enum class SBIconListKind { Root, Folder, Dock, Newsstand };

// One page of icons on screen: a page of the home screen, a page of an open
// folder, the dock or the newsstand. It shows its model's icons, each in a
// view of its own, and answers where each of them goes.
//
// Every method here is defined once, on SBIconListView, and answers by the
// list's class (SBRootIconListView, SBFolderIconListView, SBDockIconListView,
// SBNewsstandIconListView, or a class made from one of them), so that a
// method replaced on SBIconListView reaches every kind of list. SpringBoard
// itself sends all of them through the runtime: a list is laid out through
// originForIconAtIndex:, hit-tested through rowAtPoint: and columnAtPoint:,
// and sized through the class methods sent to the list's own class.
//
// Points are in the list's own coordinates; indexes are unsigned, and
// NSNotFound stands for no index. Orientations are the interface's.
class SBIconListView : public RuntimeInstance<UIView> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // A list of the class of that name: "SBRootIconListView",
    // "SBFolderIconListView" or "SBNewsstandIconListView".
    static Ref<SBIconListView> create(Ref<SBIconListModel> model, int64_t orientation, const char* className);


    // Instance messages, sent through the runtime.
    // A new array of the icons, in slot order.
    RefPtr<NSArray> icons();
    int64_t orientation();
    void setOrientation(int64_t orientation);
    // An icon's view, with its label.
    CGSize defaultIconSize();
    RefPtr<SBIconView> viewForIcon(SBIcon* icon);
    // The index of a grid coordinate (rows and columns from 1); NSNotFound
    // for a coordinate outside the grid's columns or before its start.
    uint64_t indexForCoordinate(SBIconCoordinate coordinate, int64_t forOrientation);
    bool isEditing();
    void setEditing(bool editing);
    // Takes the icon and its view out of the list; the icons after it
    // close up at the next layout.
    void removeIcon(SBIcon* icon);
    // Where an icon added to the list goes: after the last icon, or
    // NSNotFound when the list is full (maxIcons of its class).
    uint64_t firstFreeSlotIndex();
    // Puts every icon's view at its slot (originForIconAtIndex:), except
    // the icon a finger is dragging.
    void layoutIconsNow();
    // The top-left corner of slot i: the stock grid of the list's kind and
    // orientation, with the columns and visible rows its class answers;
    // slots past the visible rows go on below. NSNotFound answers (0, 0).
    CGPoint originForIconAtIndex(uint64_t index);
    CGPoint originForIcon(SBIcon* icon);
    CGPoint originForIconAtCoordinate(SBIconCoordinate coordinate);
    // The middle of the icon's view.
    CGPoint centerForIcon(SBIcon* icon);
    CGPoint centerForIconCoordinate(SBIconCoordinate coordinate);
    // The grid row and column (from 0) under a point; a point beyond the
    // grid counts for the nearest row or column.
    uint64_t rowAtPoint(CGPoint point);
    uint64_t columnAtPoint(CGPoint point);
    // Turns the list's grid to the orientation and lays the icons out in it.
    void prepareToRotateToInterfaceOrientation(int64_t orientation);
    // Closes the gaps SpringBoard's placeholder icons leave and lays the
    // icons out again (in an animation when asked).
    void compactIcons(bool animated);

    // Class messages, sent through the runtime to a list class.
    static uint64_t maxIcons(Class listClass);
    static uint64_t iconColumnsForInterfaceOrientation(Class listClass, int64_t orientation);
    static uint64_t iconRowsForInterfaceOrientation(Class listClass, int64_t orientation);
    static uint64_t maxVisibleIconRowsInterfaceOrientation(Class listClass, int64_t orientation);
    // The same, sent to this list's class.
    uint64_t maxIcons();

    // SpringBoard's own access.
    static SBIconListKind kindOfListClass(Class listClass);
    SBIconListKind kind();
    const RefPtr<SBIconListModel>& listModel() const { return m_model; }
    // Where a list of this kind lies in its container in the orientation.
    CGRect frameForOrientation(int64_t orientation);
    // The view an icon has in this list, made when the icon has none yet.
    RefPtr<SBIconView> iconViewForIcon(const SBIcon* icon);
    std::vector<Ref<SBIconView>> iconViews() const { return m_iconViews; }
    // The icon a finger drags keeps its view under the finger.
    RefPtr<SBIcon> iconUnderFinger() const { return m_iconUnderFinger; }
    void setIconUnderFinger(RefPtr<SBIcon> icon) { m_iconUnderFinger = std::move(icon); }
    // Lays the icons out on the main run loop's next pass, once however
    // often it is asked before then.
    void setNeedsIconLayout();
    // A layout that is due runs now.
    void layoutSubviews() override;

protected:
    SBIconListView(Ref<SBIconListModel> model, int64_t orientation);
    ~SBIconListView() override = default;

private:
    // SpringBoard's own implementations.
    CGPoint stockOriginForIconAtIndex(uint64_t index);
    uint64_t stockRowAtPoint(CGPoint point);
    uint64_t stockColumnAtPoint(CGPoint point);
    uint64_t stockIndexForCoordinate(SBIconCoordinate coordinate, int64_t orientation);
    void stockLayoutIconsNow();
    void stockRemoveIcon(SBIcon* icon);
    void stockCompactIcons(bool animated);
    static SBIconListGeometry stockGeometry(SBIconListKind kind, int64_t orientation);
    // The stock geometry with the columns and visible rows the class answers.
    SBIconListGeometry gridAsClassAnswers();
    // Views for icons that came, none for icons that went.
    void syncIconViews();

    RefPtr<SBIconListModel> m_model;
    int64_t m_orientation;
    bool m_editing = false;
    std::vector<Ref<SBIconView>> m_iconViews;
    RefPtr<SBIcon> m_iconUnderFinger;
    bool m_layoutScheduled = false;
};

// SpringBoard's messages to icon lists, each declared once: SpringBoard
// defines and sends them through these, and an extension replaces them and
// calls what it replaced through these.
struct SBIconListViewMessages {
    static inline const ObjCMessage<SBIconListView, RefPtr<NSArray>()> icons { "icons" };
    static inline const ObjCMessage<SBIconListView, int64_t()> orientation { "orientation" };
    static inline const ObjCMessage<SBIconListView, void(int64_t)> setOrientation { "setOrientation:" };
    static inline const ObjCMessage<SBIconListView, CGSize()> defaultIconSize { "defaultIconSize" };
    static inline const ObjCMessage<SBIconListView, RefPtr<SBIconView>(SBIcon*)> viewForIcon { "viewForIcon:" };
    static inline const ObjCMessage<SBIconListView, uint64_t(SBIconCoordinate, int64_t)> indexForCoordinate { "indexForCoordinate:forOrientation:" };
    static inline const ObjCMessage<SBIconListView, bool()> isEditing { "isEditing" };
    static inline const ObjCMessage<SBIconListView, void(bool)> setEditing { "setEditing:" };
    static inline const ObjCMessage<SBIconListView, void(SBIcon*)> removeIcon { "removeIcon:" };
    static inline const ObjCMessage<SBIconListView, uint64_t()> firstFreeSlotIndex { "firstFreeSlotIndex" };
    static inline const ObjCMessage<SBIconListView, void()> layoutIconsNow { "layoutIconsNow" };
    static inline const ObjCMessage<SBIconListView, CGPoint(uint64_t)> originForIconAtIndex { "originForIconAtIndex:" };
    static inline const ObjCMessage<SBIconListView, CGPoint(SBIcon*)> originForIcon { "originForIcon:" };
    static inline const ObjCMessage<SBIconListView, CGPoint(SBIconCoordinate)> originForIconAtCoordinate { "originForIconAtCoordinate:" };
    static inline const ObjCMessage<SBIconListView, CGPoint(SBIcon*)> centerForIcon { "centerForIcon:" };
    static inline const ObjCMessage<SBIconListView, CGPoint(SBIconCoordinate)> centerForIconCoordinate { "centerForIconCoordinate:" };
    static inline const ObjCMessage<SBIconListView, uint64_t(CGPoint)> rowAtPoint { "rowAtPoint:" };
    static inline const ObjCMessage<SBIconListView, uint64_t(CGPoint)> columnAtPoint { "columnAtPoint:" };
    static inline const ObjCMessage<SBIconListView, void(int64_t)> prepareToRotateToInterfaceOrientation { "prepareToRotateToInterfaceOrientation:" };
    static inline const ObjCMessage<SBIconListView, void(bool)> compactIcons { "compactIcons:" };
    // Class messages, sent to a list class.
    static inline const ObjCClassMessage<uint64_t()> maxIcons { "maxIcons" };
    static inline const ObjCClassMessage<uint64_t(int64_t)> iconColumnsForInterfaceOrientation { "iconColumnsForInterfaceOrientation:" };
    static inline const ObjCClassMessage<uint64_t(int64_t)> iconRowsForInterfaceOrientation { "iconRowsForInterfaceOrientation:" };
    static inline const ObjCClassMessage<uint64_t(int64_t)> maxVisibleIconRowsInterfaceOrientation { "maxVisibleIconRowsInterfaceOrientation:" };
};

} // namespace qv
