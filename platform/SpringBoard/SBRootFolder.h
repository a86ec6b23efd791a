#pragma once

#include "SBFolder.h"

namespace qv {

// The home screen as a folder: its pages, and the dock below them. The
// dock is no page: it is not counted, listed or searched by index path.
class SBRootFolder : public SBFolder {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBRootFolder> create();


    Ref<SBIconListModel> dockListModel() const { return m_dock; }
    // The pages' icons, then the dock's: folders in the dock count among
    // the home screen's folders.
    std::vector<Ref<SBIcon>> allIconObjects() const override;

private:
    SBRootFolder();

    Ref<SBIconListModel> m_dock;
};

} // namespace qv
