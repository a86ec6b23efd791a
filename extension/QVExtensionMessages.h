#pragma once

#include "platform/Foundation/NSArray.h"
#include "platform/SpringBoard/SBIcon.h"
#include "platform/SpringBoard/SBIconListView.h"
#include "platform/objc/objc.h"

#include <atomic>

namespace qv {

// The methods the extension adds to SpringBoard's icon lists, declared once:
// the module constructor adds them through these declarations and the hooks
// send them through the same.
struct QVIconListMessages {
    static inline const ObjCMessage<SBIconListView, bool()> isFolderListView { "isFolderListView" };
    static inline const ObjCMessage<SBIconListView, bool()> isRootListView { "isRootListView" };
    static inline const ObjCMessage<SBIconListView, RefPtr<NSArray>(SBIcon*)> allIconsConflictingWithAnimationFromIcon {
        "allIconsConflictingWithAnimationFromIcon:"
    };
    static inline const ObjCMessage<SBIconListView, RefPtr<NSArray>()> allIconsConflictingWithCenterAnimation {
        "allIconsConflictingWithCenterAnimation"
    };
    static inline const ObjCMessage<SBIconListView, RefPtr<NSArray>(CGPoint, SBIcon*, CGSize)> allIconsConflictingWithAnimationAtPoint {
        "allIconsConflictingWithAnimationAtPoint:withException:searchArea:"
    };
    static inline const ObjCMessage<SBIconListView, uint64_t(CGPoint)> closestIndexToPoint { "closestIndexToPoint:" };
    static inline const ObjCMessage<SBIconListView, uint64_t()> indexForCurrentIconList { "indexForCurrentIconList" };
    static inline const ObjCMessage<SBIconListView, void(uint64_t)> moveAllIconsFromIndexToFirstAvailablePage {
        "moveAllIconsFromIndexToFirstAvailablePage:"
    };
    static inline const ObjCMessage<SBIconListView, bool(SBIcon*)> moveIconToFirstAvailablePage { "moveIconToFirstAvailablePage:" };
    static inline const ObjCMessage<SBIconListView, void(bool, bool, bool)> toggleQVPlaceholderIcons { "toggleQVPlaceholderIcons:animated:reset:" };
    static inline const ObjCMessage<SBIconListView, void()> toggleQVPlaceholderIconsAfterDelay { "toggleQVPlaceholderIconsAfterDelay" };
};

// SpringBoard's classes by name, looked up on first use and kept; a lookup
// that finds nothing is tried again at the next use.
class QVClassCache {
public:
    static Class iconController() { return lookUp<0>("SBIconController"); }
    static Class dockIconListView() { return lookUp<1>("SBDockIconListView"); }
    static Class newsstandIconListView() { return lookUp<2>("SBNewsstandIconListView"); }
    static Class folderIconListView() { return lookUp<3>("SBFolderIconListView"); }
    static Class rootIconListView() { return lookUp<4>("SBRootIconListView"); }
    static Class folderIcon() { return lookUp<5>("SBFolderIcon"); }
    static Class folderBackgroundView() { return lookUp<6>("SBFolderBackgroundView"); }
    static Class iconSupport() { return lookUp<7>("ISIconSupport"); }

    // Whether the object's class is the class or descends from it.
    static bool isKindOf(id object, Class cls);

private:
    // One slot per class; classes are never unregistered, so a class once
    // found stays right.
    template<int Slot>
    static Class lookUp(const char* name)
    {
        static std::atomic<Class> found { nullptr };
        Class cls = found.load(std::memory_order_acquire);
        if (!cls) {
            cls = objc_getClass(name);
            found.store(cls, std::memory_order_release);
        }
        return cls;
    }
};

} // namespace qv
