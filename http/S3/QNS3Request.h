#pragma once

#include "http/QNHTTPRequest.h"

#include "platform/Foundation/NSDateFormatter.h"
#include "platform/Foundation/NSXMLParser.h"

#include <map>
#include <string>
#include <vector>

namespace qv {

// The scheme S3 requests use unless a caller asks for "https".
inline constexpr const char* QNS3RequestSchemeHTTP = "http";
inline constexpr const char* QNS3RequestSchemeHTTPS = "https";

// A request to the S3 storage service: signs itself just before its headers
// go out ("Date" and "Authorization", HMAC-SHA1 over the canonical string)
// and reads the service's error documents into failures or one retry.
// Subclasses supply the URL, the canonical resource, extra "x-amz-" headers
// and the reading of their own reply documents.
class QNS3Request : public QNHTTPRequest, public NSXMLParserDelegate {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNS3Request> requestWithURL(RefPtr<NSURL> url);

    // Class-wide credentials, used by every request that has none of its own.
    static std::string sharedAccessKey();
    static void setSharedAccessKey(const std::string& key);
    static std::string sharedSecretAccessKey();
    static void setSharedSecretAccessKey(const std::string& key);
    // The service's host name (with a port where it needs one); requests
    // ask their own kind through S3Host(), so a subclass may answer
    // another. A store elsewhere than the public service is set here.
    static std::string defaultS3Host();
    static void setDefaultS3Host(const std::string& host);
    virtual std::string S3Host() const { return defaultS3Host(); }

    // Escapes an object key for a path: letters, digits, "-", ".", "_" and
    // "/" stay; "/" goes in front when missing; an empty key is "/".
    static std::string stringByURLEncodingForS3Path(const std::string& path);
    // The calling thread's formatters: "Date" headers, and dates inside
    // reply documents.
    static Ref<NSDateFormatter> S3RequestDateFormatter();
    static Ref<NSDateFormatter> S3ResponseDateFormatter();
    static std::string HMACSHA1withKey(const std::string& key, const std::string& forString);

    std::string accessKey() const;
    void setAccessKey(const std::string& key);
    std::string secretAccessKey() const;
    void setSecretAccessKey(const std::string& key);
    std::string dateString() const;
    void setDateString(const std::string& date);
    void setDate(const NSDate& date);
    std::string accessPolicy() const;
    void setAccessPolicy(const std::string& policy);
    std::string requestScheme() const;
    void setRequestScheme(const std::string& scheme);
    const std::string& currentXMLElementContent() const { return m_currentXMLElementContent; }
    const std::vector<std::string>& currentXMLElementStack() const { return m_currentXMLElementStack; }

    // A HEAD request for the same resource, with this request's keys.
    Ref<QNHTTPRequest> HEADRequest() const override;
    // Extra "x-amz-" headers, name to value.
    virtual Ref<NSDictionary> S3Headers() const;
    void main() override;
    virtual void buildURL() {}
    virtual std::string canonicalizedResource() const { return "/"; }
    // The string the signature covers, from the canonical "x-amz-" header
    // lines and the canonical resource.
    virtual std::string stringToSignForHeaders(const std::string& amzHeaders, const std::string& resource) const;
    // The canonical "x-amz-" lines of the headers about to be sent: names
    // in lower case, in order, values trimmed, repeated names joined by ",".
    std::string canonicalAmzHeaders() const;
    void buildRequestHeaders() override;
    std::string headerValueForMessage(const std::string& name, const std::string& value) const override;
    void requestFinished() override;
    virtual void parseResponseXML();
    Ref<QNHTTPRequest> copy() const override;

    void parserParseErrorOccurred(NSXMLParser&, NSError& parseError) override;
    void parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override;
    void parserDidEndElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName) override;
    void parserFoundCharacters(NSXMLParser&, const std::string& characters) override;

    std::string className() const override { return "QNS3Request"; }

protected:
    explicit QNS3Request(RefPtr<NSURL> url);
    void copyS3SettingsInto(QNS3Request& copy) const;
    // Whether the reply body is a document of the service's. An object's
    // own body is the user's data, so object requests read only failures.
    virtual bool shouldReadResponseXML() const { return true; }
    // Sets a header, replacing one of the same name in any case.
    void replaceRequestHeader(const std::string& name, const std::string& value);
    // The value of a header about to be sent, whatever its case; empty
    // when none.
    std::string sentRequestHeader(const std::string& name) const;
    // Leaves the header given last of those with this name in any case.
    void keepOneSpellingOf(const std::string& name);
    // The lines of canonicalAmzHeaders(), lower-case name to value.
    std::map<std::string, std::string> amzHeaderLines() const;
    // Adds the request's own x-amz headers.
    void addS3Headers(const NSDictionary& amz);
    // Leaves one header for every x-amz name, whatever its case.
    void mergeAmzHeaders();
    // Closes the element just ended; every element end does, handled or not.
    void popElement();
    // The element that encloses the one ending now, if any.
    std::string enclosingElement() const;

private:
    mutable std::mutex m_propertiesLock;
    std::string m_accessKey;
    std::string m_secretAccessKey;
    std::string m_dateString;
    std::string m_accessPolicy;
    std::string m_requestScheme = QNS3RequestSchemeHTTP;
    std::string m_currentXMLElementContent;
    std::vector<std::string> m_currentXMLElementStack;
    // Only a document whose root is "Error" is read for the service's
    // errors.
    bool m_readingErrorDocument = false;
    bool m_retryBegan = false;
    bool m_haveSigned = false;
};

} // namespace qv
