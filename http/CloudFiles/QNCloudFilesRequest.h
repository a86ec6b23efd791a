#pragma once

#include "http/QNHTTPRequest.h"

#include "platform/Foundation/NSDate.h"

#include <mutex>
#include <string>

namespace qv {

// The base of the object store's requests. It keeps the account's access
// details for the whole process: the user name and API key a caller gives,
// and the token and the storage and CDN addresses a login answers. Every
// storage and CDN request takes the token and its address from here when it
// is made.
class QNCloudFilesRequest : public QNHTTPRequest {
    QV_MAKE_REF_FRIEND;
public:
    static std::string username();
    static void setUsername(const std::string& name);
    static std::string apiKey();
    static void setApiKey(const std::string& key);
    static std::string authToken();
    static std::string storageURL();
    static std::string cdnManagementURL();
    // Where a login goes: the service's own address unless a caller (a
    // private store, a test) names another.
    static std::string rackspaceCloudAuthURL();
    static void setRackspaceCloudAuthURL(const std::string& url);

    // The login request, unstarted: a plain request carrying the user name
    // and key.
    static Ref<QNHTTPRequest> authenticationRequest();
    // Logs in, blocking the calling thread; the failure, or none. A refused
    // login (an error status, or a reply without a token or storage
    // address) fails and keeps the details of the last good one.
    static RefPtr<NSError> authenticate();

    // A date of the store's listings ("2014-03-05T7:08:09.123456"), which
    // the store writes in UTC.
    RefPtr<NSDate> dateFromString(const std::string& text) const;

    std::string className() const override { return "QNCloudFilesRequest"; }

protected:
    explicit QNCloudFilesRequest(RefPtr<NSURL> url) : QNHTTPRequest(std::move(url)) {}
    // Addressed, with the method and the token (when there is one yet).
    void prepare(const std::string& method);
};

} // namespace qv
