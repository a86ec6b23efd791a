#include "UIImage.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/FileAccess.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <memory>

#include <filesystem>
#include <map>
#include <mutex>

namespace qv {

static constexpr const char* applicationBundlePath = "/Applications/Quilt Vane.app/";
// No PNG we draw or read comes near this; a larger file is not read at all.
static constexpr size_t maximumImageFileSize = 64 * 1024 * 1024;

PixelBuffer::PixelBuffer(size_t width, size_t height)
    : width(width)
    , height(height)
    , rgba(width * height * 4, 0)
{
}

static bool withinLimits(size_t width, size_t height)
{
    return width && height && width <= maximumImageSide && height <= maximumImageSide
        && width * height <= maximumImagePixels;
}

static bool isConsistent(const PixelBuffer& pixels)
{
    return withinLimits(pixels.width, pixels.height) && pixels.rgba.size() == pixels.width * pixels.height * 4;
}

// libpng's simplified interface catches its own errors (it jumps back inside
// the library and frees what it made), so no jump ever crosses our frames.
std::optional<PixelBuffer> decodePNG(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return std::nullopt;
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::nullopt;
    if (!withinLimits(image.width, image.height)) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    PixelBuffer pixels(image.width, image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return pixels;
}

std::optional<PixelBuffer> decodeJPEG(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return std::nullopt;
    std::unique_ptr<void, int (*)(tjhandle)> decompressor(tjInitDecompress(), tjDestroy);
    if (!decompressor)
        return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decompressor.get(), bytes.data(), bytes.size(), &width, &height, &subsampling, &colourspace) != 0
        || width <= 0 || height <= 0 || !withinLimits(static_cast<size_t>(width), static_cast<size_t>(height)))
        return std::nullopt;
    PixelBuffer pixels(static_cast<size_t>(width), static_cast<size_t>(height));
    // A truncated or damaged file is refused rather than shown half grey;
    // the scan limit keeps a crafted progressive file from taking forever.
    if (tjDecompress2(decompressor.get(), bytes.data(), bytes.size(), pixels.rgba.data(), width, 0, height, TJPF_RGBA,
            TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0)
        return std::nullopt;
    return pixels;
}

std::optional<std::vector<uint8_t>> encodePNG(const PixelBuffer& pixels)
{
    if (!isConsistent(pixels))
        return std::nullopt;
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixels.width);
    image.height = static_cast<png_uint_32>(pixels.height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, pixels.rgba.data(), 0, nullptr))
        return std::nullopt;
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.rgba.data(), 0, nullptr))
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

static std::optional<std::string> readImageFile(const std::string& devicePath)
{
    auto hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath)
        return std::nullopt;
    return readHostFile(*hostPath, maximumImageFileSize);
}

// The scale a file name announces: "name@2x.png" and "name@2x~ipad.png" are
// drawn at two pixels a point.
static CGFloat scaleForFileName(const std::string& path)
{
    std::string stem = std::filesystem::path(path).stem().string();
    if (auto modifier = stem.find('~'); modifier != std::string::npos)
        stem.resize(modifier);
    if (stem.ends_with("@3x"))
        return 3;
    if (stem.ends_with("@2x"))
        return 2;
    return 1;
}

UIImage::UIImage(PixelBuffer pixels, CGFloat scale)
    : m_pixels(std::move(pixels))
    , m_scale(scale)
{
}

CGSize UIImage::size() const
{
    return CGSizeMake(m_pixels.width / m_scale, m_pixels.height / m_scale);
}

RefPtr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path)
{
    auto bytes = readImageFile(path);
    if (!bytes)
        return nullptr;
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    static constexpr uint8_t jpegStart[] = { 0xFF, 0xD8, 0xFF };
    const bool isJPEG = data.size() >= sizeof(jpegStart) && std::equal(std::begin(jpegStart), std::end(jpegStart), data.begin());
    auto pixels = isJPEG ? decodeJPEG(data) : decodePNG(data);
    if (!pixels)
        return nullptr;
    return makeRef<UIImage>(std::move(*pixels), scaleForFileName(path));
}

RefPtr<UIImage> UIImage::imageWithPixels(PixelBuffer pixels, CGFloat scale)
{
    if (!isConsistent(pixels) || scale <= 0)
        return nullptr;
    return makeRef<UIImage>(std::move(pixels), scale);
}

namespace {

// The platform's image cache: found images stay as long as the device root
// does; another root starts with an empty cache.
struct ImageCache {
    std::mutex lock;
    std::map<std::string, Ref<UIImage>> images;
};

std::shared_ptr<ImageCache> imageCache()
{
    // Lives as long as the process: images are asked for until its end.
    static auto* caches = new RootBound<std::shared_ptr<ImageCache>>([] { return std::make_shared<ImageCache>(); });
    return caches->get();
}

} // namespace

RefPtr<UIImage> UIImage::imageNamed(const std::string& name)
{
    if (name.empty())
        return nullptr;
    std::string path = applicationBundlePath + name;
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return nullptr;
    std::shared_ptr<ImageCache> cache = imageCache();
    {
        std::lock_guard guard(cache->lock);
        if (auto found = cache->images.find(hostPath->string()); found != cache->images.end())
            return found->second;
    }
    // Decoded outside the lock; when two threads race, the first one's image
    // is the one everybody keeps.
    RefPtr<UIImage> image = imageWithContentsOfFile(path);
    if (!image)
        return nullptr;
    std::lock_guard guard(cache->lock);
    return cache->images.try_emplace(hostPath->string(), image.toRef()).first->second;
}

} // namespace qv
