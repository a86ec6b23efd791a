#pragma once

#include "model/QVDevice.h"
#include "platform/core/Geometry.h"

#include <cstdint>
#include <optional>

namespace qv {

// The size of the library's screens for the device class and interface
// orientation: the screen of each phone and of the iPad, turned for
// landscape. Nothing for a device of unknown class or an orientation that
// is neither portrait nor landscape, where a screen keeps its frame.
std::optional<CGSize> libraryScreenSize(const QVDevice& device, int64_t orientation);

// Whether two orientations are both portrait or both landscape: a rotation
// between them lays nothing out again.
bool isSameOrientationKind(int64_t current, int64_t next);

} // namespace qv
