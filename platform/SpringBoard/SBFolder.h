#pragma once

#include "SBIconListModel.h"
#include "platform/Foundation/NSIndexPath.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSSet.h"
#include "platform/Foundation/NSString.h"
#include "platform/core/WeakPtr.h"
#include "platform/objc/objc.h"

#include <string>
#include <vector>

namespace qv {

class SBFolderIcon;
class SBIcon;

// A folder: a name and pages of icons (lists). The home screen itself is
// the root folder (SBRootFolder); a folder's icon is a weak back pointer,
// the icon owning its folder.
class SBFolder : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // The newsstand's folder is of the class "SBNewsstandFolder".
    static Ref<SBFolder> create(std::string displayName, const char* className = "SBFolder");


    // Messages, sent through the runtime.
    RefPtr<NSString> displayName();
    RefPtr<SBFolderIcon> icon();
    // Every folder icon among the folder's icons.
    RefPtr<NSSet> folderIcons();
    uint64_t listCount();
    // Where the icon is: its page as the section and its place on the page
    // as the row; nil when it is not on a page.
    RefPtr<NSIndexPath> indexPathForIcon(SBIcon* icon);

    // SpringBoard's own access.
    const std::string& name() const { return m_name; }
    void setIcon(SBFolderIcon* icon);
    const std::vector<Ref<SBIconListModel>>& listModels() const { return m_lists; }
    RefPtr<SBIconListModel> listAtIndex(uint64_t index) const;
    // NSNotFound for a list of another folder.
    uint64_t indexOfList(const SBIconListModel* list) const;
    // A new empty page at the end.
    Ref<SBIconListModel> addEmptyList();
    // The list that holds the icon, or null.
    RefPtr<SBIconListModel> listContainingIcon(const SBIcon* icon) const;
    // Every icon of the folder, page by page.
    virtual std::vector<Ref<SBIcon>> allIconObjects() const;

protected:
    explicit SBFolder(std::string displayName) : m_name(std::move(displayName)) {}
    ~SBFolder() override = default;

private:
    std::string m_name;
    WeakPtr<SBFolderIcon> m_icon;
    std::vector<Ref<SBIconListModel>> m_lists;
};

struct SBFolderMessages {
    static inline const ObjCMessage<SBFolder, RefPtr<NSString>()> displayName { "displayName" };
    static inline const ObjCMessage<SBFolder, RefPtr<SBFolderIcon>()> icon { "icon" };
    static inline const ObjCMessage<SBFolder, RefPtr<NSSet>()> folderIcons { "folderIcons" };
    static inline const ObjCMessage<SBFolder, uint64_t()> listCount { "listCount" };
    static inline const ObjCMessage<SBFolder, RefPtr<NSIndexPath>(SBIcon*)> indexPathForIcon { "indexPathForIcon:" };
};

} // namespace qv
