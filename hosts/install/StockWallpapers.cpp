#include "StockWallpapers.h"

#include "Drawing.h"
#include "platform/SpringBoard/SBIconGridMetrics.h"

namespace qv {

const std::vector<StockWallpaper>& stockWallpapers()
{
    // The 3.5-inch and the 4.7-inch phone both read "default@2x.png"; it is
    // drawn for the larger screen so that neither has to enlarge it.
    static const std::vector<StockWallpaper> wallpapers {
        { "/Library/Wallpaper/iPhone/default@2x.png", 2, 2 },
        { "/Library/Wallpaper/iPhone/default-568h@2x.png", 1, 2 },
        { "/Library/Wallpaper/iPhone/default@3x.png", 3, 3 },
        { "/Library/Wallpaper/iPad/default.png", 4, 1 },
        { "/Library/Wallpaper/iPad/default@2x.png", 4, 2 },
    };
    return wallpapers;
}

// An opaque gradient from deep blue to teal, as large as the screen.
static PixelBuffer drawWallpaper(size_t width, size_t height)
{
    const uint8_t top[] = { 20, 40, 90 };
    const uint8_t bottom[] = { 30, 120, 140 };
    PixelBuffer pixels(width, height);
    for (size_t y = 0; y < height; ++y) {
        double t = height > 1 ? double(y) / double(height - 1) : 0;
        uint8_t row[4] = { 0, 0, 0, 255 };
        for (int i = 0; i < 3; ++i)
            row[i] = static_cast<uint8_t>(top[i] + (bottom[i] - top[i]) * t + 0.5);
        for (size_t x = 0; x < width; ++x)
            std::copy(row, row + 4, pixels.pixel(x, y));
    }
    return pixels;
}

bool installStockWallpapers()
{
    bool written = true;
    for (const StockWallpaper& wallpaper : stockWallpapers()) {
        CGSize screen = SBIconGridMetrics::forDeviceClass(wallpaper.deviceClass)->screenSize(SBGridOrientation::Portrait);
        PixelBuffer pixels = drawWallpaper(static_cast<size_t>(screen.width * wallpaper.scale),
            static_cast<size_t>(screen.height * wallpaper.scale));
        written = writePNGFile(wallpaper.path, pixels) && written;
    }
    return written;
}

} // namespace qv
