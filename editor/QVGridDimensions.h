#pragma once

#include "platform/core/Geometry.h"

namespace qv {

// The grid size panel's steppers go from 2 to 100 columns and rows. A grid
// read from a file may claim any number; more than 100 would only cost
// memory and time in line views, so it is held at 100.
inline constexpr CGFloat QVMinimumSteppedGridLines = 2;
inline constexpr CGFloat QVMaximumGridLines = 100;

// The size with each finite dimension above the maximum held at the
// maximum. Other values pass unchanged: the settings replace a size that is
// not finite and above 0 with the device's default grid.
CGSize QVBoundedGridSize(CGSize size);

} // namespace qv
