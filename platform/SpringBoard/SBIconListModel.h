#pragma once

#include "SBIcon.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSObject.h"
#include "platform/core/WeakPtr.h"
#include "platform/objc/objc.h"

#include <utility>
#include <vector>

namespace qv {

class SBFolder;

// The icons of one page of a folder (or of the dock), in order: the icon at
// index i fills slot i. The folder owns its lists; a list knows its folder
// through a back pointer.
class SBIconListModel : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBIconListModel> create(SBFolder* folder);


    // Messages, sent through the runtime.
    RefPtr<SBFolder> folder();
    // A new array of the icons as they are now.
    RefPtr<NSArray> icons();

    // SpringBoard's own changes.
    std::vector<Ref<SBIcon>> iconObjects() const { return m_icons; }
    uint64_t count() const { return m_icons.size(); }
    // Null past the end.
    RefPtr<SBIcon> iconAtIndex(uint64_t index) const { return index < m_icons.size() ? RefPtr<SBIcon>(m_icons[index]) : nullptr; }
    bool containsIcon(const SBIcon* icon) const { return indexOfIcon(icon) != NSNotFound; }
    // NSNotFound when the icon is not in the list.
    uint64_t indexOfIcon(const SBIcon* icon) const;
    // At the index, or at the end for an index past it.
    void insertIcon(Ref<SBIcon> icon, uint64_t atIndex);
    void addIcon(Ref<SBIcon> icon) { insertIcon(std::move(icon), m_icons.size()); }
    // Answers whether the icon was there.
    bool removeIcon(const SBIcon* icon);
    // The last icon, taken out of the list; null for an empty list.
    RefPtr<SBIcon> removeLastIcon();
    // Every icon, taken out of the list, in order.
    std::vector<Ref<SBIcon>> removeAllIcons() { return std::exchange(m_icons, {}); }
    // The icons, in order, in place of the list's own.
    void setIcons(std::vector<Ref<SBIcon>> icons) { m_icons = std::move(icons); }
    // Closes the gaps of SpringBoard's empty-slot placeholders; answers
    // whether anything moved.
    bool removePlaceholders();

private:
    explicit SBIconListModel(SBFolder* folder);

    WeakPtr<SBFolder> m_folder;
    std::vector<Ref<SBIcon>> m_icons;
};

struct SBIconListModelMessages {
    static inline const ObjCMessage<SBIconListModel, RefPtr<SBFolder>()> folder { "folder" };
    static inline const ObjCMessage<SBIconListModel, RefPtr<NSArray>()> icons { "icons" };
};

} // namespace qv
