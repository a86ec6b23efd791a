#pragma once

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSURL.h"

#include <string>

namespace qv {

class QNHTTPRequest;

// What a request tells its delegate, always on the main thread. Every
// method is optional: the defaults do nothing.
class QNHTTPRequestDelegate : public virtual Object {
public:
    virtual void requestStarted(QNHTTPRequest&) {}
    virtual void requestDidReceiveResponseHeaders(QNHTTPRequest&, const NSDictionary&) {}
    virtual void requestWillRedirectToURL(QNHTTPRequest&, const NSURL&) {}
    virtual void requestFinished(QNHTTPRequest&) {}
    virtual void requestFailed(QNHTTPRequest&) {}
    virtual void requestRedirected(QNHTTPRequest&) {}
    virtual void requestDidReceiveData(QNHTTPRequest&, const std::string&) {}
    virtual void authenticationNeededForRequest(QNHTTPRequest&) {}
    virtual void proxyAuthenticationNeededForRequest(QNHTTPRequest&) {}
    // Whether the delegate has a method for the request's data selector:
    // a delegate that answers keeps the body from being stored.
    virtual bool respondsToDidReceiveData() const { return false; }
    // Whether the delegate decides on redirects itself.
    virtual bool respondsToWillRedirect() const { return false; }
    // Whether the delegate supplies credentials when asked (it then calls
    // retryUsingSuppliedCredentials or cancelAuthentication on the request).
    virtual bool respondsToAuthenticationNeeded() const { return false; }
    virtual bool respondsToProxyAuthenticationNeeded() const { return false; }
};

// What a request's progress receivers are told. Every method is optional.
class QNProgressDelegate : public virtual Object {
public:
    virtual bool respondsToSetProgress() const { return false; }
    virtual void setProgress(float) {}
    virtual void requestDidReceiveBytes(QNHTTPRequest&, long long) {}
    virtual void requestDidSendBytes(QNHTTPRequest&, long long) {}
    virtual void requestIncrementDownloadSizeBy(QNHTTPRequest&, long long) {}
    virtual void requestIncrementUploadSizeBy(QNHTTPRequest&, long long) {}
};

// The owner of a request in a network queue: told of the request's events
// and its progress with fixed methods.
class QNRequestQueueDelegate : public QNHTTPRequestDelegate, public QNProgressDelegate {
};

class QNNetworkQueue;

// What a network queue tells its delegate: the requests' events through
// the selectors the owner chose, and the end of the group.
class QNNetworkQueueDelegate : public QNHTTPRequestDelegate {
public:
    virtual void queueFinished(QNNetworkQueue&) {}
};
using QNQueueSelector = void (QNNetworkQueueDelegate::*)(QNNetworkQueue&);

// The selectors of the delegate methods a request calls; a request may be
// told to call another method of the same form, or none.
using QNRequestSelector = void (QNHTTPRequestDelegate::*)(QNHTTPRequest&);
using QNHeadersSelector = void (QNHTTPRequestDelegate::*)(QNHTTPRequest&, const NSDictionary&);
using QNRedirectSelector = void (QNHTTPRequestDelegate::*)(QNHTTPRequest&, const NSURL&);
using QNDataSelector = void (QNHTTPRequestDelegate::*)(QNHTTPRequest&, const std::string&);

} // namespace qv
