#pragma once

#include "testing/TemporaryDeviceRoot.h"

namespace qv::testing {

// Lays out a device root as the install program does. The program runs
// once for the test program (again after a failed run), and each root gets
// a copy of what it laid out: it writes the same files every time, and its
// own tests check them, while a run of it in the sanitized build costs
// seconds.
void installDeviceRoot(const TemporaryDeviceRoot& root);

} // namespace qv::testing
