#pragma once

namespace qv {

inline constexpr const char* applicationBundleFolder = "/Applications/Quilt Vane.app";

// The application bundle's images: the stock icon, the empty-slot
// placeholder, the grid's background and lines and the selection marker.
bool installBundleImages();

} // namespace qv
