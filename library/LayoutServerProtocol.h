#pragma once

#include "http/QNFormDataRequest.h"
#include "model/QVDevice.h"
#include "platform/Foundation/StringEncoding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What the application and the layout server say to each other, apart from
// the addresses (QVDevice): the grammar of a listing, the reading of a count
// reply, the count request, what becomes of a downloaded file, and the
// alerts an upload's reply gives.

// A listing record: a layout name followed by "s/s/", its download count in
// decimal, then "n/n/". Whatever follows the last "n/n/" is no record.
inline constexpr std::string_view layoutListingNameSeparator = "s/s/";
inline constexpr std::string_view layoutListingRecordSeparator = "n/n/";

struct LayoutListingRecord {
    std::string name;
    int32_t downloads = 0;
    bool operator==(const LayoutListingRecord&) const = default;
};

// The longest file name the file system takes, in bytes.
inline constexpr size_t maximumLayoutFileNameLength = 255;

// Whether a layout name may be listed, downloaded or uploaded: a single
// entry of whatever folder it is joined to (not empty, not "." or "..", no
// "/", no NUL) that the file system takes as a file name (at most
// maximumLayoutFileNameLength bytes). Anything else is a file name like any
// other.
bool isShareableLayoutName(std::string_view name);

// The records of a listing's body, read in the reply's encoding, in reply
// order. A name loses the line break a server may end the record before it
// with; a count is read as an integer value (leading white space, a sign,
// digits; 0 when there are none). A record that does not read as one (no
// "s/s/", a name that may not be listed or that is not text in the reply's
// encoding) is left out: the others are still listed.
std::vector<LayoutListingRecord> readLayoutListing(const std::optional<std::string>& body, NSStringEncoding encoding);

// The new download count a count reply gives: its text read as a leading
// integer (" 7" and "12abc" give 7 and 12), when that is above 0.
std::optional<int32_t> readDownloadCount(const std::optional<std::string>& text);

// The count request of a listed layout: POST to "DownloadManager.asp" of the
// base address, a url-encoded form of one field "filename", the layout's
// name without its last extension.
Ref<QNFormDataRequest> downloadCountRequest(const QVDevice& device, const std::string& layoutName);

// Stores a fetched layout's reply at the path, replacing a file of that
// name, only when the reply is a success status whose body reads as a
// property-list dictionary. Anything else (an error page, bytes that are no
// layout, a layout larger than a property list may be) writes nothing
// there, and a file already there stays as it was; the answer then says
// why, for the user.
std::optional<std::string> storeFetchedLayout(int statusCode, const std::optional<std::string>& body, const std::string& path);

// A fetched layout file made the application's own: marked "QV" (unless it
// says already), repaired and upgraded for this device and written back to
// the same path. A file that is no property-list dictionary stays as it is.
void adoptDownloadedLayout(const std::string& path);

// The messages of the alerts "Saved", of a download that brought no layout
// and of an upload.
std::string layoutSavedMessage(const std::string& name);
std::string layoutDownloadErrorMessage(const std::string& name, const std::string& reason);
struct LayoutServerAlert {
    std::string title;
    std::string message;
};
// The alert for an upload's reply as the library delivers it (inflated when
// it came compressed), read as UTF-8 (none when it is not).
LayoutServerAlert uploadReplyAlert(const std::optional<std::string>& replyText, const std::string& name);

} // namespace qv
