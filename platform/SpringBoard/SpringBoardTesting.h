#pragma once

// The SpringBoard stand-in's test seams: what tests and benchmarks may
// change in the process that SpringBoard itself never does. Only tests and
// benchmarks include this header.

#include "platform/SpringBoard/SBIconController.h"

namespace qv {

// Makes the controller the one SBIconController's sharedInstance answers on
// the current device root. With none, the next sharedInstance makes one
// from the device's home screen.
void setSharedIconController(RefPtr<SBIconController> controller);

} // namespace qv
