#include "SampleThemes.h"

#include "Drawing.h"

#include <functional>

namespace qv {

namespace {

const char* const quilt = "/Library/Themes/Quilt.theme";
const char* const dusk = "/Library/Themes/Dusk.theme";

// A rounded icon of the colour with a white mark that tells the icons apart.
PixelBuffer drawIcon(Colour top, Colour bottom, int mark)
{
    PixelBuffer pixels(120, 120);
    fill(pixels, roundedRect(CGRectMake(0, 0, 120, 120), 26), verticalGradient(top, bottom, 120));
    const Colour white { 1, 1, 1, 0.92 };
    switch (mark) {
    case 0:
        fill(pixels, circle(CGPointMake(60, 60), 26), solid(white));
        break;
    case 1:
        fill(pixels, roundedRect(CGRectMake(32, 32, 56, 56), 8), solid(white));
        break;
    case 2:
        fill(pixels, stroke(CGPointMake(34, 62), CGPointMake(52, 80), 12), solid(white));
        fill(pixels, stroke(CGPointMake(52, 80), CGPointMake(88, 40), 12), solid(white));
        break;
    default:
        for (CGFloat x : { 34.0, 66.0 }) {
            for (CGFloat y : { 34.0, 66.0 })
                fill(pixels, roundedRect(CGRectMake(x, y, 20, 20), 5), solid(white));
        }
    }
    return pixels;
}

// A whole-screen gradient, drawn row by row (no smoothing needed).
PixelBuffer drawWallpaper(size_t width, size_t height, Colour top, Colour bottom)
{
    PixelBuffer pixels(width, height);
    for (size_t y = 0; y < height; ++y) {
        const double t = height > 1 ? double(y) / double(height - 1) : 0;
        const uint8_t row[4] = { static_cast<uint8_t>(255 * (top.red + (bottom.red - top.red) * t)),
            static_cast<uint8_t>(255 * (top.green + (bottom.green - top.green) * t)),
            static_cast<uint8_t>(255 * (top.blue + (bottom.blue - top.blue) * t)), 255 };
        for (size_t x = 0; x < width; ++x)
            std::copy(row, row + 4, pixels.pixel(x, y));
    }
    return pixels;
}

struct Drawn {
    SampleThemeFile file;
    std::function<PixelBuffer()> draw;
};

const std::vector<Drawn>& drawnFiles()
{
    static const std::vector<Drawn> files = [] {
        const std::string q = quilt;
        const std::string d = dusk;
        return std::vector<Drawn> {
            { { q + "/Bundles/com.apple.MobileSMS/icon.png", 120, 120 }, [] { return drawIcon({ 0.45, 0.9, 0.4 }, { 0.1, 0.65, 0.2 }, 0); } },
            { { q + "/Bundles/com.apple.mobilesafari/icon.png", 120, 120 }, [] { return drawIcon({ 0.5, 0.8, 1 }, { 0.1, 0.4, 0.9 }, 1); } },
            { { q + "/Folders/Games/icon.png", 120, 120 }, [] { return drawIcon({ 0.7, 0.5, 1 }, { 0.4, 0.2, 0.7 }, 3); } },
            { { q + "/Icons/Amber.png", 120, 120 }, [] { return drawIcon({ 1, 0.8, 0.3 }, { 0.95, 0.5, 0.1 }, 2); } },
            { { q + "/Icons/Coral.png", 120, 120 }, [] { return drawIcon({ 1, 0.55, 0.5 }, { 0.85, 0.2, 0.25 }, 0); } },
            { { q + "/Wallpaper.png", 640, 1136 }, [] { return drawWallpaper(640, 1136, { 0.95, 0.93, 0.85 }, { 0.75, 0.6, 0.45 }); } },
            { { d + "/Wallpaper.png", 640, 1136 }, [] { return drawWallpaper(640, 1136, { 0.1, 0.1, 0.3 }, { 0.85, 0.45, 0.35 }); } },
        };
    }();
    return files;
}

} // namespace

const std::vector<SampleThemeFile>& sampleThemeFiles()
{
    static const std::vector<SampleThemeFile> files = [] {
        std::vector<SampleThemeFile> list;
        for (const Drawn& drawn : drawnFiles())
            list.push_back(drawn.file);
        return list;
    }();
    return files;
}

bool installSampleThemes()
{
    bool written = true;
    for (const Drawn& drawn : drawnFiles())
        written = writePNGFile(drawn.file.path, drawn.draw()) && written;
    return written;
}

} // namespace qv
