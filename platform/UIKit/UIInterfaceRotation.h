#pragma once

#include "UIInterfaceOrientation.h"

namespace qv {

// The rotation driver: the user turns the device.
//
// The device's orientation follows at once. The interface then turns when
// the key window's root controller (or the controller it presents over the
// whole screen) answers shouldAutorotate and supports the orientation: the
// root and, through it, the shown child of every container and the
// presented controllers are told willRotateToInterfaceOrientation:duration:
// while the old orientation is still current; then the status-bar
// orientation changes and the screen's bounds take the new shape (width and
// height swap between portrait and landscape); then come
// willAnimateRotationToInterfaceOrientation:duration: and
// didRotateFromInterfaceOrientation:. Nothing is resized: the controllers
// lay themselves out. Without a root controller the interface turns without
// calls. Main thread only.
class UIInterfaceRotation {
public:
    static constexpr double defaultDuration = 0.4;

    // Answers whether the interface turned. An orientation that is none of
    // the four is refused with a log line.
    static bool rotateToInterfaceOrientation(UIInterfaceOrientation orientation, double duration = defaultDuration);
};

} // namespace qv
