#include "QVLayoutFile.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/Foundation/NSPropertyListSerialization.h"

namespace qv {

std::optional<QVLayoutFile> QVLayoutFile::read(const std::string& devicePath)
{
    std::optional<std::filesystem::path> hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath)
        return std::nullopt;
    HostFileVersion version;
    std::optional<std::string> bytes = readHostFile(*hostPath, NSPropertyListSerialization::maximumSize, nullptr, &version);
    RefPtr<NSDictionary> stored = bytes ? dynamicRefCast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(*bytes)) : nullptr;
    if (!stored)
        return std::nullopt;
    return QVLayoutFile(std::move(*hostPath), version, std::move(*bytes), stored.toRef());
}

QVLayoutFile::QVLayoutFile(std::filesystem::path hostPath, HostFileVersion version, std::string bytes, Ref<NSDictionary> stored)
    : m_hostPath(std::move(hostPath))
    , m_version(version)
    , m_bytes(std::move(bytes))
    , m_stored(std::move(stored))
{
}

Ref<NSDictionary> QVLayoutFile::editableCopy() const
{
    // The bytes held a dictionary once, so they do again.
    RefPtr<NSDictionary> copy = dynamicRefCast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(m_bytes));
    return copy ? copy.toRef() : m_stored->mutableCopy();
}

bool QVLayoutFile::writeBack(const NSDictionary& layout) const
{
    std::optional<std::string> document = NSPropertyListSerialization::XMLDataWithPropertyList(layout);
    return document && replaceHostFile(m_hostPath, *document, m_version);
}

} // namespace qv
