#pragma once

#include <string>
#include <vector>

namespace qv {

struct StockWallpaper {
    std::string path;
    // The device class whose screen it covers, and pixels a point.
    int64_t deviceClass;
    double scale;
};

// The operating system's stock wallpaper files, one for each file name the
// system may ask for.
const std::vector<StockWallpaper>& stockWallpapers();

bool installStockWallpapers();

} // namespace qv
