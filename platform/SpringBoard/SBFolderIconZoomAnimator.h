#pragma once

#include "SBIconAnimator.h"

#include <functional>

namespace qv {

class SBFolderController;

// Zooms a folder open from its icon, or closed back into it: the folder's
// background fades in or out over the animation. As after any icon
// animation, its end cleans the animation up (_cleanupAnimation); a
// closing folder's background then leaves the content view, unless the
// folder was opened again meanwhile.
class SBFolderIconZoomAnimator : public SBIconAnimator {
    QV_MAKE_REF_FRIEND;

public:
    static constexpr double zoomDuration = 0.3;

    static void registerClass();
    static Ref<SBFolderIconZoomAnimator> create(SBFolderController& folderController, bool opening);

    // Runs the zoom; `completion` is called after the clean-up.
    void animateZoom(std::function<void(bool finished)> completion);

private:
    SBFolderIconZoomAnimator(SBFolderController& folderController, bool opening);
    ~SBFolderIconZoomAnimator() override = default;

    void removeClosedBackground();

    Ref<SBFolderController> m_folderController;
    const bool m_opening;
};

} // namespace qv
