#pragma once

#include "platform/UIKit/UIImage.h"

#include <functional>

namespace qv {

// Channels from 0 to 1, not premultiplied.
struct Colour {
    double red = 0, green = 0, blue = 0, alpha = 1;
};

// Whether a point (in pixels, y down) lies in a shape.
using Shape = std::function<bool(double x, double y)>;
// The colour at a point.
using Paint = std::function<Colour(double x, double y)>;

// Paints the shape over what is there, smoothing its edges by sampling each
// pixel sixteen times.
void fill(PixelBuffer& pixels, const Shape& shape, const Paint& paint);

Shape roundedRect(CGRect rect, CGFloat radius);
Shape circle(CGPoint centre, CGFloat radius);
// A straight stroke of the given width with round ends.
Shape stroke(CGPoint from, CGPoint to, CGFloat width);
// Inside the first shape but not the second.
Shape without(Shape shape, Shape hole);

Paint solid(Colour colour);
// From one colour at the top edge to the other at the bottom edge.
Paint verticalGradient(Colour top, Colour bottom, double height);

// The image as PNG at a device path.
bool writePNGFile(const std::string& devicePath, const PixelBuffer& pixels);

} // namespace qv
