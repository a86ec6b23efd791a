#include "http/CloudFiles/QNCloudFilesRequest.h"

#include "platform/Foundation/NSDateFormatter.h"
#include "platform/Foundation/NSThread.h"

namespace qv {

namespace {

// The account's details. The lock is recursive because a login makes its
// request while holding it; it is held for the whole exchange, so that a
// change of the credentials waits for the login under way.
struct AccessDetails {
    std::recursive_mutex lock;
    std::string username;
    std::string apiKey;
    std::string authToken;
    std::string storageURL;
    std::string cdnManagementURL;
    std::string authURL = "https://auth.api.rackspacecloud.com/v1.0";
};

AccessDetails& details()
{
    static AccessDetails shared;
    return shared;
}

std::string read(std::string AccessDetails::*field)
{
    std::lock_guard lock(details().lock);
    return details().*field;
}

void write(std::string AccessDetails::*field, const std::string& value)
{
    std::lock_guard lock(details().lock);
    details().*field = value;
}

std::string header(const QNHTTPRequest& request, const std::string& name)
{
    // The reply's own spelling of the name, as the store writes it.
    if (auto headers = request.responseHeaders())
        if (auto value = headers->stringForKey(name))
            return value->string();
    return {};
}

} // namespace

std::string QNCloudFilesRequest::username() { return read(&AccessDetails::username); }
void QNCloudFilesRequest::setUsername(const std::string& name) { write(&AccessDetails::username, name); }
std::string QNCloudFilesRequest::apiKey() { return read(&AccessDetails::apiKey); }
void QNCloudFilesRequest::setApiKey(const std::string& key) { write(&AccessDetails::apiKey, key); }
std::string QNCloudFilesRequest::authToken() { return read(&AccessDetails::authToken); }
std::string QNCloudFilesRequest::storageURL() { return read(&AccessDetails::storageURL); }
std::string QNCloudFilesRequest::cdnManagementURL() { return read(&AccessDetails::cdnManagementURL); }
std::string QNCloudFilesRequest::rackspaceCloudAuthURL() { return read(&AccessDetails::authURL); }
void QNCloudFilesRequest::setRackspaceCloudAuthURL(const std::string& url) { write(&AccessDetails::authURL, url); }

Ref<QNHTTPRequest> QNCloudFilesRequest::authenticationRequest()
{
    std::lock_guard lock(details().lock);
    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(details().authURL));
    request->addRequestHeader("X-Auth-User", details().username);
    request->addRequestHeader("X-Auth-Key", details().apiKey);
    return request;
}

RefPtr<NSError> QNCloudFilesRequest::authenticate()
{
    std::lock_guard lock(details().lock);
    auto request = authenticationRequest();
    request->startSynchronous();
    if (auto error = request->error())
        return error;

    const std::string token = header(request, "X-Auth-Token");
    const std::string storage = header(request, "X-Storage-Url");
    const int status = request->responseStatusCode();
    if (status < 200 || status >= 300 || token.empty() || storage.empty()) {
        // A refusal is no login: the last good details stay.
        return sharedError(QNAuthenticationErrorType);
    }
    std::string cdn = header(request, "X-CDN-Management-Url");
    if (!request->responseHeaders() || !request->responseHeaders()->objectForKey("X-CDN-Management-Url"))
        cdn = header(request, "X-Cdn-Management-Url");
    details().authToken = token;
    details().storageURL = storage;
    details().cdnManagementURL = cdn;
    return nullptr;
}

RefPtr<NSDate> QNCloudFilesRequest::dateFromString(const std::string& text) const
{
    auto dictionary = NSThread::currentThread()->threadDictionary();
    auto formatter = dictionary->objectForKey<NSDateFormatter>("QNCloudFilesResponseDateFormatter");
    if (!formatter) {
        auto made = NSDateFormatter::create();
        made->setLocale("en_US_POSIX");
        made->setDateFormat("yyyy-MM-dd'T'H:mm:ss.SSSSSS");
        if (auto utc = NSTimeZone::timeZoneWithName("UTC"))
            made->setTimeZone(*utc);
        dictionary->setObject(made, "QNCloudFilesResponseDateFormatter");
        formatter = made;
    }
    return formatter->dateFromString(text);
}

void QNCloudFilesRequest::prepare(const std::string& method)
{
    setRequestMethod(method);
    // Before a login there is no token, and an empty one is no token.
    if (auto token = authToken(); !token.empty())
        addRequestHeader("X-Auth-Token", token);
}

} // namespace qv
