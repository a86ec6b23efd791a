#pragma once

#include "SBIconView.h"
#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

namespace qv {

// Animates from an icon. At a launch the icon opens into its application:
// the icon's view fades out over the animation, and when it ends the
// animator cleans up (_cleanupAnimation), bringing the view back. A folder
// zooming open or closed is an icon animation too (SBFolderIconZoomAnimator).
// The animation keeps the animator alive until then.
class SBIconAnimator : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static constexpr double launchDuration = 0.4;

    static void registerClass();
    static Ref<SBIconAnimator> create(SBIconView& iconView);


    void animateLaunch();
    // Message, sent through the runtime.
    void _cleanupAnimation();

protected:
    // The icon's view the animation fades, none when it fades none.
    explicit SBIconAnimator(RefPtr<SBIconView> iconView);
    ~SBIconAnimator() override = default;

private:
    void stockCleanupAnimation();

    RefPtr<SBIconView> m_iconView;
    bool m_cleanedUp = false;
};

struct SBIconAnimatorMessages {
    static inline const ObjCMessage<SBIconAnimator, void()> _cleanupAnimation { "_cleanupAnimation" };
};

} // namespace qv
