#include "NSPropertyListSerialization.h"

#include "BinaryPropertyListReader.h"
#include "BinaryPropertyListWriter.h"
#include "DeviceRoot.h"
#include "FileAccess.h"
#include "StringFormat.h"
#include "XMLPropertyListReader.h"
#include "XMLPropertyListWriter.h"

namespace qv {

RefPtr<NSObject> NSPropertyListSerialization::propertyListWithData(std::string_view bytes, std::string* error)
{
    std::string reason;
    RefPtr<NSObject> value;
    if (bytes.empty())
        reason = "an empty document";
    else if (bytes.size() > maximumSize)
        reason = stringWithFormat("%lu bytes, more than %lu", bytes.size(), maximumSize);
    else if (BinaryPropertyList::hasHeader(bytes))
        value = BinaryPropertyListReader::read(bytes, reason);
    else
        value = XMLPropertyListReader::read(bytes, reason);
    if (!value) {
        NSLog("Property list: refused: %@", reason);
        if (error)
            *error = std::move(reason);
    }
    return value;
}

RefPtr<NSObject> NSPropertyListSerialization::propertyListWithContentsOfFile(const std::string& path)
{
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return nullptr;
    auto contents = readHostFile(*hostPath, maximumSize);
    if (!contents)
        return nullptr;
    return propertyListWithData(*contents);
}

std::optional<std::string> NSPropertyListSerialization::dataWithPropertyList(const NSObject& value, NSPropertyListFormat format, WriteError* error)
{
    if (format == NSPropertyListBinaryFormat_v1_0)
        return BinaryPropertyListWriter::documentFor(value, error);
    return XMLPropertyListWriter::documentFor(value, error);
}

std::optional<std::string> NSPropertyListSerialization::XMLDataWithPropertyList(const NSObject& value)
{
    return XMLPropertyListWriter::documentFor(value);
}

bool NSPropertyListSerialization::writePropertyList(const NSObject& value, const std::string& path, bool atomically)
{
    auto hostPath = DeviceRoot::resolve(path);
    if (!hostPath)
        return false;
    auto document = XMLDataWithPropertyList(value);
    return document && writeHostFile(*hostPath, *document, atomically);
}

} // namespace qv
