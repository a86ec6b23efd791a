#include "Drawing.h"

#include "InstallStep.h"
#include "platform/Foundation/NSData.h"
#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace qv {

static uint8_t toByte(double channel)
{
    return static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0, 1.0) * 255));
}

// Source over destination, both unpremultiplied.
static void blend(uint8_t* destination, Colour source, double coverage)
{
    double sourceAlpha = source.alpha * coverage;
    double destinationAlpha = destination[3] / 255.0;
    double alpha = sourceAlpha + destinationAlpha * (1 - sourceAlpha);
    if (alpha <= 0)
        return;
    const double channels[] = { source.red, source.green, source.blue };
    for (int i = 0; i < 3; ++i) {
        double below = destination[i] / 255.0;
        destination[i] = toByte((channels[i] * sourceAlpha + below * destinationAlpha * (1 - sourceAlpha)) / alpha);
    }
    destination[3] = toByte(alpha);
}

void fill(PixelBuffer& pixels, const Shape& shape, const Paint& paint)
{
    constexpr int samples = 4;
    for (size_t y = 0; y < pixels.height; ++y) {
        for (size_t x = 0; x < pixels.width; ++x) {
            int inside = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx)
                    inside += shape(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples);
            }
            if (inside)
                blend(pixels.pixel(x, y), paint(x + 0.5, y + 0.5), double(inside) / (samples * samples));
        }
    }
}

Shape roundedRect(CGRect rect, CGFloat radius)
{
    return [=](double x, double y) {
        double left = rect.origin.x, top = rect.origin.y;
        double right = left + rect.size.width, bottom = top + rect.size.height;
        if (x < left || x > right || y < top || y > bottom)
            return false;
        // Only the corners are cut: measure from the nearest corner's centre.
        double cx = std::clamp(x, left + radius, right - radius);
        double cy = std::clamp(y, top + radius, bottom - radius);
        return std::hypot(x - cx, y - cy) <= radius;
    };
}

Shape circle(CGPoint centre, CGFloat radius)
{
    return [=](double x, double y) { return std::hypot(x - centre.x, y - centre.y) <= radius; };
}

Shape stroke(CGPoint from, CGPoint to, CGFloat width)
{
    return [=](double x, double y) {
        double dx = to.x - from.x, dy = to.y - from.y;
        double lengthSquared = dx * dx + dy * dy;
        double t = lengthSquared > 0 ? std::clamp(((x - from.x) * dx + (y - from.y) * dy) / lengthSquared, 0.0, 1.0) : 0;
        return std::hypot(x - (from.x + t * dx), y - (from.y + t * dy)) <= width / 2;
    };
}

Shape without(Shape shape, Shape hole)
{
    return [shape = std::move(shape), hole = std::move(hole)](double x, double y) { return shape(x, y) && !hole(x, y); };
}

Paint solid(Colour colour)
{
    return [=](double, double) { return colour; };
}

Paint verticalGradient(Colour top, Colour bottom, double height)
{
    return [=](double, double y) {
        double t = height > 0 ? std::clamp(y / height, 0.0, 1.0) : 0;
        auto mix = [t](double a, double b) { return a + (b - a) * t; };
        return Colour { mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue),
            mix(top.alpha, bottom.alpha) };
    };
}

bool writePNGFile(const std::string& devicePath, const PixelBuffer& pixels)
{
    auto png = encodePNG(pixels);
    if (!png) {
        logLine("Could not encode " + devicePath + " as PNG");
        return false;
    }
    return writeDeviceFile(devicePath, NSData::create(std::move(*png)));
}

} // namespace qv
