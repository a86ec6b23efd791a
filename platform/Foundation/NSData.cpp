#include "NSData.h"

#include "DeviceRoot.h"
#include "FileAccess.h"
#include "URLLoading.h"

#include <functional>

namespace qv {

Ref<NSData> NSData::create(std::vector<uint8_t> bytes)
{
    return makeRef<NSData>(std::move(bytes));
}

Ref<NSData> NSData::dataWithBytes(const void* bytes, NSUInteger length)
{
    // No bytes to copy from reads as none, whatever length comes with them.
    if (!bytes || !length)
        return create();
    auto* first = static_cast<const uint8_t*>(bytes);
    return create(std::vector<uint8_t>(first, first + length));
}

RefPtr<NSData> NSData::dataWithContentsOfFile(const std::string& path)
{
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return nullptr;
    auto contents = readHostFile(*hostPath);
    if (!contents)
        return nullptr;
    return dataWithBytes(contents->data(), contents->size());
}

RefPtr<NSData> NSData::dataWithContentsOfURL(const NSURL& url)
{
    auto contents = loadContentsOfURL(url);
    if (!contents)
        return nullptr;
    return dataWithBytes(contents->data(), contents->size());
}

bool NSData::writeToFile(const std::string& path, bool atomically) const
{
    auto hostPath = DeviceRoot::resolve(path);
    return hostPath && writeHostFile(*hostPath, view(), atomically);
}

std::string NSData::description() const
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "<";
    for (size_t i = 0; i < m_bytes.size(); ++i) {
        if (i && i % 4 == 0)
            text += ' ';
        text += digits[m_bytes[i] >> 4];
        text += digits[m_bytes[i] & 0xf];
    }
    return text + ">";
}

bool NSData::isEqual(const NSObject* other) const
{
    auto* data = dynamic_cast<const NSData*>(other);
    return data && data->m_bytes == m_bytes;
}

NSUInteger NSData::hash() const
{
    return std::hash<std::string_view>()(view());
}

} // namespace qv
