#include "LayoutServerProtocol.h"

#include "model/QVLayoutKeys.h"
#include "model/QVReader.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/ValueConversions.h"

namespace qv {

namespace {

std::vector<std::string_view> splitAt(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    for (size_t at = 0;;) {
        const size_t next = text.find(separator, at);
        pieces.push_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos)
            return pieces;
        at = next + separator.size();
    }
}

// A server that ends its records with a line break leaves it at the start
// of the next record's name, where it is no part of the name.
std::string_view withoutLeadingLineBreaks(std::string_view name)
{
    const size_t start = name.find_first_not_of("\r\n");
    return start == std::string_view::npos ? std::string_view() : name.substr(start);
}

std::optional<LayoutListingRecord> readRecord(std::string_view bytes, NSStringEncoding encoding)
{
    const std::optional<std::string> text = stringFromBytes(bytes, encoding);
    if (!text)
        return std::nullopt;
    const std::vector<std::string_view> parts = splitAt(*text, layoutListingNameSeparator);
    if (parts.size() < 2)
        return std::nullopt;
    const std::string_view name = withoutLeadingLineBreaks(parts[0]);
    if (!isShareableLayoutName(name))
        return std::nullopt;
    // Any further parts are not the record's. A count read as an integer
    // value ("nan" and "" are 0) harms nothing, so it never costs a record.
    return LayoutListingRecord { std::string(name), intValueOfString(parts[1]) };
}

} // namespace

bool isShareableLayoutName(std::string_view name)
{
    return !name.empty() && name.size() <= maximumLayoutFileNameLength && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

std::vector<LayoutListingRecord> readLayoutListing(const std::optional<std::string>& body, NSStringEncoding encoding)
{
    std::vector<LayoutListingRecord> records;
    if (!body)
        return records;
    // The separators are ASCII, so a body whose text does not decode as a
    // whole is split first and each record decoded alone: one bad record
    // costs only itself. An encoding that is not ASCII's superset is decoded
    // whole.
    const bool asciiBased = encoding != NSUnicodeStringEncoding && encoding != NSUTF16BigEndianStringEncoding
        && encoding != NSUTF16LittleEndianStringEncoding && encoding != NSUTF32StringEncoding
        && encoding != NSUTF32BigEndianStringEncoding && encoding != NSUTF32LittleEndianStringEncoding;
    std::optional<std::string> text = asciiBased ? std::optional<std::string>(*body) : stringFromBytes(*body, encoding);
    if (!text)
        return records;
    std::vector<std::string_view> pieces = splitAt(*text, layoutListingRecordSeparator);
    // What follows the last separator is never a record.
    pieces.pop_back();
    for (std::string_view piece : pieces) {
        if (std::optional<LayoutListingRecord> record = readRecord(piece, asciiBased ? encoding : NSUTF8StringEncoding))
            records.push_back(std::move(*record));
    }
    return records;
}

std::optional<int32_t> readDownloadCount(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    const int count = intValueOfString(*text);
    return count > 0 ? std::optional<int32_t>(count) : std::nullopt;
}

Ref<QNFormDataRequest> downloadCountRequest(const QVDevice& device, const std::string& layoutName)
{
    Ref<QNFormDataRequest> request = QNFormDataRequest::requestWithURL(NSURL::URLWithString(device.urlBasePath() + "/DownloadManager.asp"));
    request->setPostValue(stringByDeletingPathExtension(layoutName), "filename");
    return request;
}

std::optional<std::string> storeFetchedLayout(int statusCode, const std::optional<std::string>& body, const std::string& path)
{
    if (statusCode < 200 || statusCode > 299)
        return stringWithFormat("The server answered %i.", statusCode);
    // A layout larger than any layout file may be is not read at all.
    if (body && body->size() > NSPropertyListSerialization::maximumSize)
        return stringWithFormat("The layout is too large: layouts of more than %lu MB cannot be read.",
            static_cast<unsigned long>(NSPropertyListSerialization::maximumSize >> 20));
    if (!body || !NSDictionary::dictionaryWithData(*body))
        return std::string("The server sent no layout.");
    NSFileManager::defaultManager()->createDirectoryAtPath(stringByDeletingLastPathComponent(path), true);
    // Atomically: a write that fails half way leaves the old file whole.
    if (!NSData::dataWithBytes(body->data(), body->size())->writeToFile(path, true))
        return std::string("The layout could not be saved.");
    return std::nullopt;
}

void adoptDownloadedLayout(const std::string& path)
{
    RefPtr<NSDictionary> layout = NSDictionary::dictionaryWithContentsOfFile(path);
    if (!layout)
        return;
    if (!layout->objectForKey(QVMadeByApplicationKey))
        layout->setObject(NSNumber::numberWithBool(true), QVMadeByApplicationKey);
    RefPtr<NSObject> folder = layout->objectForKey(QVFolderLayoutKey);
    QVReader::create()->convertLayoutIfNecessary(layout, path, folder && folder->boolValue());
}

std::string layoutSavedMessage(const std::string& name)
{
    return stringWithFormat("The layout: %@ has been successfully saved! To manage it, press the \"Saved\" tab at the bottom", name);
}

std::string layoutDownloadErrorMessage(const std::string& name, const std::string& reason)
{
    return stringWithFormat("Error downloading layout: %@\n%@", name, reason);
}

LayoutServerAlert uploadReplyAlert(const std::optional<std::string>& replyText, const std::string& name)
{
    if (!replyText)
        return { "Error", stringWithFormat("Error uploading layout: %@\nServer connection timed out.", name) };
    if (*replyText == "EXISTS")
        return { "File Exists", stringWithFormat("Error uploading layout: %@\nFile already exists.", name) };
    if (*replyText == "SUCCESS")
        return { "Uploaded",
            stringWithFormat("The layout: %@ has been successfully uploaded! Press the \"Uploaded\" tab at the bottom to search for your, and other "
                             "peoples layouts.",
                name) };
    return { "Error",
        stringWithFormat("Error uploading layout: %@\nError saving file. Please use Cydia to contact the developer if this error persists.", name) };
}

} // namespace qv
