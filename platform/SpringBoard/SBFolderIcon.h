#pragma once

#include "SBFolder.h"
#include "SBIcon.h"

#include <vector>

namespace qv {

// The icon of a folder; it shows the folder's name and a miniature grid of
// its first icons, and opening it opens the folder.
class SBFolderIcon : public SBIcon {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    // The newsstand's icon is of the class "SBNewsstandIcon".
    static Ref<SBFolderIcon> create(Ref<SBFolder> folder, const char* className = "SBFolderIcon");

    // Messages, sent through the runtime.
    RefPtr<SBFolder> folder();
    // +_maxIconsInGridImage: how many icons the miniature grid shows.
    static uint64_t _maxIconsInGridImage();

    // The icons the miniature grid shows: the first of the folder's first
    // page, as many as _maxIconsInGridImage allows.
    std::vector<Ref<SBIcon>> iconsInGridImage();
    const Ref<SBFolder>& folderObject() const { return m_folder; }

protected:
    explicit SBFolderIcon(Ref<SBFolder> folder);
    ~SBFolderIcon() override = default;

    RefPtr<NSString> stockDisplayName() override;

private:
    Ref<SBFolder> m_folder;
};

struct SBFolderIconMessages {
    static inline const ObjCMessage<SBFolderIcon, RefPtr<SBFolder>()> folder { "folder" };
    static inline const ObjCClassMessage<uint64_t()> _maxIconsInGridImage { "_maxIconsInGridImage" };
};

} // namespace qv
