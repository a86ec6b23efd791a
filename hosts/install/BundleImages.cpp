#include "BundleImages.h"

#include "Drawing.h"

#include <string>

namespace qv {

static const Colour accent { 0, 0.487, 1, 1 };
static const Colour white { 1, 1, 1, 1 };

static Colour withAlpha(Colour colour, double alpha)
{
    colour.alpha = alpha;
    return colour;
}

// A rounded icon square with a small grid of tiles on it.
static PixelBuffer drawDefaultIcon()
{
    PixelBuffer pixels(60, 60);
    fill(pixels, roundedRect(CGRectMake(0, 0, 60, 60), 13), verticalGradient({ 0.35, 0.78, 0.98, 1 }, accent, 60));
    for (CGFloat x : { 16.0, 32.0 }) {
        for (CGFloat y : { 16.0, 32.0 })
            fill(pixels, roundedRect(CGRectMake(x, y, 12, 12), 3), solid(withAlpha(white, 0.9)));
    }
    return pixels;
}

// A faint rounded square with a clearer edge, marking an empty slot.
static PixelBuffer drawPlaceholder()
{
    PixelBuffer pixels(60, 60);
    Shape outer = roundedRect(CGRectMake(1, 1, 58, 58), 13);
    Shape inner = roundedRect(CGRectMake(3, 3, 54, 54), 11);
    fill(pixels, inner, solid(withAlpha(white, 0.25)));
    fill(pixels, without(outer, inner), solid(withAlpha(white, 0.7)));
    return pixels;
}

// Stretched over the whole grid rectangle.
static PixelBuffer drawGridBackground()
{
    PixelBuffer pixels(32, 32);
    fill(pixels, roundedRect(CGRectMake(0, 0, 32, 32), 0), solid({ 0.85, 0.92, 1, 0.45 }));
    return pixels;
}

// One point thick; the grid stretches it along the cell border.
static PixelBuffer drawGridLine(size_t width, size_t height)
{
    PixelBuffer pixels(width, height);
    fill(pixels, roundedRect(CGRectMake(0, 0, width, height), 0), solid(withAlpha(accent, 0.9)));
    return pixels;
}

// A white-edged accent disc with a tick, shown on a selected icon.
static PixelBuffer drawSelectIcon()
{
    PixelBuffer pixels(20, 20);
    fill(pixels, circle(CGPointMake(10, 10), 10), solid(white));
    fill(pixels, circle(CGPointMake(10, 10), 8.5), solid(accent));
    fill(pixels, stroke(CGPointMake(5.5, 10.5), CGPointMake(8.5, 13.5), 2.2), solid(white));
    fill(pixels, stroke(CGPointMake(8.5, 13.5), CGPointMake(14.5, 6.5), 2.2), solid(white));
    return pixels;
}

bool installBundleImages()
{
    struct Image {
        const char* name;
        PixelBuffer pixels;
    };
    const Image images[] = {
        { "Default_Icon.png", drawDefaultIcon() },
        { "Placeholder.png", drawPlaceholder() },
        { "Grid_Background.png", drawGridBackground() },
        { "Grid_Line_Hor.png", drawGridLine(32, 1) },
        { "Grid_Line_Vert.png", drawGridLine(1, 32) },
        { "Select_Icon.png", drawSelectIcon() },
    };
    bool written = true;
    for (const Image& image : images)
        written = writePNGFile(std::string(applicationBundleFolder) + "/" + image.name, image.pixels) && written;
    return written;
}

} // namespace qv
