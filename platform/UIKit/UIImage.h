#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/core/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv {

// The pixels of an image: 8-bit red, green, blue and alpha, not
// premultiplied, rows from the top.
struct PixelBuffer {
    size_t width = 0;
    size_t height = 0;
    std::vector<uint8_t> rgba;

    PixelBuffer() = default;
    // Filled with transparent black.
    PixelBuffer(size_t width, size_t height);

    uint8_t* pixel(size_t x, size_t y) { return &rgba[(y * width + x) * 4]; }
    const uint8_t* pixel(size_t x, size_t y) const { return &rgba[(y * width + x) * 4]; }
};

// Larger images are refused: a file must not make us allocate without bound.
inline constexpr size_t maximumImageSide = 8192;
inline constexpr size_t maximumImagePixels = 4096 * 4096;

// Null for anything that is not a whole, decodable PNG within the limits.
std::optional<PixelBuffer> decodePNG(std::span<const uint8_t> bytes);
// The same for a JPEG (themes ship their wallpapers as either).
std::optional<PixelBuffer> decodeJPEG(std::span<const uint8_t> bytes);
// Null when the buffer is empty, over the limits or inconsistent.
std::optional<std::vector<uint8_t>> encodePNG(const PixelBuffer& image);

// An image decoded from a PNG or JPEG file (told apart by their first
// bytes, whatever the file's name), immutable.
class UIImage : public NSObject {
public:
    // An image of the application bundle ("/Applications/Quilt Vane.app/"),
    // kept in the process's image cache once found. A name that finds no
    // image is looked up again at the next call.
    static RefPtr<UIImage> imageNamed(const std::string& name);
    // The file at a device path, read anew at every call.
    static RefPtr<UIImage> imageWithContentsOfFile(const std::string& path);
    // Pixels drawn in memory; null when the buffer is empty or its bytes do
    // not match its size.
    static RefPtr<UIImage> imageWithPixels(PixelBuffer pixels, CGFloat scale = 1);

    // In points: pixels divided by the scale.
    CGSize size() const;
    // 2 or 3 for files named with "@2x" or "@3x", else 1.
    CGFloat scale() const { return m_scale; }
    const PixelBuffer& pixels() const { return m_pixels; }

    std::string className() const override { return "UIImage"; }

private:
    QV_MAKE_REF_FRIEND;
    UIImage(PixelBuffer pixels, CGFloat scale);
    ~UIImage() override = default;

    PixelBuffer m_pixels;
    CGFloat m_scale;
};

} // namespace qv
