#include "http/S3/QNS3Request.h"

#include "platform/CommonCrypto/CommonHMAC.h"
#include "platform/CoreFoundation/CFURLEscaping.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/StringEncoding.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/Foundation/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace qv {

namespace {

// Class-wide values: read and written whole, under one lock, since
// requests on several threads read them while a caller may set them.
struct S3ClassState {
    std::mutex lock;
    std::string accessKey;
    std::string secretAccessKey;
    std::string host = "s3.amazonaws.com";
};

S3ClassState& classState()
{
    static S3ClassState state;
    return state;
}

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Ref<NSDateFormatter> threadFormatter(const char* key, const char* format)
{
    auto dictionary = NSThread::currentThread()->threadDictionary();
    if (auto formatter = dictionary->objectForKey<NSDateFormatter>(key))
        return *formatter;
    auto formatter = NSDateFormatter::create();
    formatter->setLocale("en_US_POSIX");
    if (auto utc = NSTimeZone::timeZoneWithName("UTC"))
        formatter->setTimeZone(*utc);
    formatter->setDateFormat(format);
    dictionary->setObject(formatter, key);
    return formatter;
}

constexpr const char* kParseFailedDescription = "Parsing the resposnse failed";

} // namespace

QNS3Request::QNS3Request(RefPtr<NSURL> url)
    : QNHTTPRequest(std::move(url))
{
    setPersistentConnectionTimeoutSeconds(20);
}

Ref<QNS3Request> QNS3Request::requestWithURL(RefPtr<NSURL> url)
{
    return makeRef<QNS3Request>(std::move(url));
}

// --- Class-wide values

std::string QNS3Request::sharedAccessKey()
{
    std::lock_guard lock(classState().lock);
    return classState().accessKey;
}

void QNS3Request::setSharedAccessKey(const std::string& key)
{
    std::lock_guard lock(classState().lock);
    classState().accessKey = key;
}

std::string QNS3Request::sharedSecretAccessKey()
{
    std::lock_guard lock(classState().lock);
    return classState().secretAccessKey;
}

void QNS3Request::setSharedSecretAccessKey(const std::string& key)
{
    std::lock_guard lock(classState().lock);
    classState().secretAccessKey = key;
}

std::string QNS3Request::defaultS3Host()
{
    std::lock_guard lock(classState().lock);
    return classState().host;
}

void QNS3Request::setDefaultS3Host(const std::string& host)
{
    std::lock_guard lock(classState().lock);
    classState().host = host;
}

std::string QNS3Request::stringByURLEncodingForS3Path(const std::string& path)
{
    if (path.empty())
        return "/";
    // Of the characters a URL may hold, only "-", ".", "_" and "/" stay.
    std::string escaped = CFURLCreateStringByAddingPercentEscapes(path, "", "!~*'();?:@&=+$,");
    if (escaped.front() != '/')
        escaped.insert(escaped.begin(), '/');
    return escaped;
}

Ref<NSDateFormatter> QNS3Request::S3RequestDateFormatter()
{
    return threadFormatter("QNS3RequestHeaderDateFormatter", "EEE, d MMM yyyy HH:mm:ss Z");
}

Ref<NSDateFormatter> QNS3Request::S3ResponseDateFormatter()
{
    return threadFormatter("QNS3ResponseDateFormatter", "yyyy-MM-dd'T'HH:mm:ss'.000Z'");
}

std::string QNS3Request::HMACSHA1withKey(const std::string& key, const std::string& forString)
{
    std::string digest(20, '\0');
    CCHmac(kCCHmacAlgSHA1, key.data(), key.size(), forString.data(), forString.size(), digest.data());
    return digest;
}

// --- Properties

#define QV_S3_PROPERTY(getter, setter, field)                                                                  \
    std::string QNS3Request::getter() const                                                                    \
    {                                                                                                          \
        std::lock_guard lock(m_propertiesLock);                                                                \
        return field;                                                                                          \
    }                                                                                                          \
    void QNS3Request::setter(const std::string& value)                                                         \
    {                                                                                                          \
        std::lock_guard lock(m_propertiesLock);                                                                \
        field = value;                                                                                         \
    }

QV_S3_PROPERTY(accessKey, setAccessKey, m_accessKey)
QV_S3_PROPERTY(secretAccessKey, setSecretAccessKey, m_secretAccessKey)
QV_S3_PROPERTY(dateString, setDateString, m_dateString)
QV_S3_PROPERTY(accessPolicy, setAccessPolicy, m_accessPolicy)
QV_S3_PROPERTY(requestScheme, setRequestScheme, m_requestScheme)

#undef QV_S3_PROPERTY

void QNS3Request::setDate(const NSDate& date)
{
    setDateString(S3RequestDateFormatter()->stringFromDate(date));
}

// --- Copies

void QNS3Request::copyS3SettingsInto(QNS3Request& copy) const
{
    copySettingsInto(copy);
    copy.setAccessKey(accessKey());
    copy.setSecretAccessKey(secretAccessKey());
    copy.setRequestScheme(requestScheme());
    copy.setAccessPolicy(accessPolicy());
}

Ref<QNHTTPRequest> QNS3Request::copy() const
{
    auto copy = makeRef<QNS3Request>(url());
    copyS3SettingsInto(copy);
    return copy;
}

Ref<QNHTTPRequest> QNS3Request::HEADRequest() const
{
    auto head = makeRef<QNS3Request>(url());
    head->setRequestMethod("HEAD");
    head->setAccessKey(accessKey());
    head->setSecretAccessKey(secretAccessKey());
    head->setRequestScheme(requestScheme());
    return head;
}

// --- Signing

Ref<NSDictionary> QNS3Request::S3Headers() const
{
    auto headers = NSDictionary::create();
    if (auto policy = accessPolicy(); !policy.empty())
        headers->setObject(policy, "x-amz-acl");
    return headers;
}

void QNS3Request::main()
{
    if (!url())
        buildURL();
    QNHTTPRequest::main();
}

void QNS3Request::replaceRequestHeader(const std::string& name, const std::string& value)
{
    if (auto headers = requestHeaders())
        for (const auto& key : headers->allKeys())
            if (lowercased(key) == lowercased(name))
                headers->removeObjectForKey(key);
    addRequestHeader(name, value);
}

std::string QNS3Request::sentRequestHeader(const std::string& name) const
{
    // Of one name given in several cases the message sends one value: the
    // one given last (keepOneSpellingOf leaves only it).
    std::string sent;
    if (auto headers = requestHeaders())
        for (const auto& key : requestHeaderNamesInOrderAdded())
            if (lowercased(key) == lowercased(name))
                if (auto value = headers->objectForKey(key))
                    sent = value->description();
    return sent;
}

void QNS3Request::keepOneSpellingOf(const std::string& name)
{
    auto headers = requestHeaders();
    if (!headers)
        return;
    std::vector<std::string> spellings;
    for (const auto& key : requestHeaderNamesInOrderAdded())
        if (lowercased(key) == lowercased(name))
            spellings.push_back(key);
    if (spellings.size() < 2)
        return;
    spellings.pop_back();
    for (const auto& key : spellings)
        headers->removeObjectForKey(key);
}

std::map<std::string, std::string> QNS3Request::amzHeaderLines() const
{
    // What the service recomputes from what it receives: a caller's own
    // "x-amz-" headers count too, whatever their case, joined in the order
    // they were given.
    std::map<std::string, std::string> lines;
    if (auto headers = requestHeaders()) {
        for (const auto& key : requestHeaderNamesInOrderAdded()) {
            const std::string name = lowercased(key);
            auto value = headers->objectForKey(key);
            if (name.rfind("x-amz-", 0) != 0 || !value)
                continue;
            auto [line, added] = lines.try_emplace(name, trimmed(value->description()));
            if (!added)
                line->second += "," + trimmed(value->description());
        }
    }
    return lines;
}

std::string QNS3Request::canonicalAmzHeaders() const
{
    std::string text;
    for (const auto& [name, value] : amzHeaderLines())
        text += name + ":" + value + "\n";
    return text;
}

void QNS3Request::addS3Headers(const NSDictionary& amz)
{
    // The request's own values replace a caller's of the same name; names
    // that differ only in case among them are all kept, to be merged.
    const auto names = amz.allKeys();
    if (auto headers = requestHeaders())
        for (const auto& key : headers->allKeys())
            if (std::any_of(names.begin(), names.end(), [&](const std::string& name) { return lowercased(name) == lowercased(key); }))
                headers->removeObjectForKey(key);
    for (const auto& name : names)
        addRequestHeader(name, amz.objectForKey(name)->description());
}

void QNS3Request::mergeAmzHeaders()
{
    // Names that differ only in case are one header to the service, and a
    // message carries one field per name: each goes out once, as the line
    // that is signed, so no value is lost and none is signed unsent.
    auto headers = requestHeaders();
    if (!headers)
        return;
    for (const auto& [name, value] : amzHeaderLines()) {
        std::vector<std::string> spellings;
        for (const auto& key : headers->allKeys())
            if (lowercased(key) == name)
                spellings.push_back(key);
        if (spellings.size() < 2)
            continue;
        for (const auto& key : spellings)
            headers->removeObjectForKey(key);
        addRequestHeader(name, value);
    }
}

std::string QNS3Request::headerValueForMessage(const std::string& name, const std::string& value) const
{
    // The transport sends a value in Latin-1 where it can, but the
    // signature covers the value's UTF-8 bytes, as the service reads
    // them: a signed header goes out as its UTF-8 bytes, handed over as
    // their Latin-1 reading.
    const std::string lower = lowercased(name);
    const bool isSigned = lower.rfind("x-amz-", 0) == 0 || lower == "content-type" || lower == "content-md5";
    if (!isSigned || !isValidUTF8(value) || !bytesFromString(value, NSISOLatin1StringEncoding))
        return value;
    return UTF8FromLatin1(value);
}

std::string QNS3Request::stringToSignForHeaders(const std::string& amzHeaders, const std::string& resource) const
{
    // The content lines are those of the headers sent: empty unless a
    // caller (or a subclass) set them.
    return requestMethod() + "\n" + sentRequestHeader("Content-MD5") + "\n" + sentRequestHeader("Content-Type") + "\n"
        + dateString() + "\n" + amzHeaders + resource;
}

void QNS3Request::buildRequestHeaders()
{
    if (!url())
        buildURL();
    const bool alreadyBuilt = haveBuiltRequestHeaders();
    QNHTTPRequest::buildRequestHeaders();
    if (alreadyBuilt && m_haveSigned)
        return;
    m_haveSigned = true;

    std::string key;
    std::string secret;
    {
        std::lock_guard lock(m_propertiesLock);
        if (m_accessKey.empty())
            m_accessKey = sharedAccessKey();
        if (m_secretAccessKey.empty())
            m_secretAccessKey = sharedSecretAccessKey();
        key = m_accessKey;
        secret = m_secretAccessKey;
    }
    if (dateString().empty())
        setDate(NSDate::date());
    replaceRequestHeader("Date", dateString());

    const std::string resource = canonicalizedResource();
    addS3Headers(S3Headers());
    mergeAmzHeaders();
    // The content lines take one value each, and the message sends that one.
    keepOneSpellingOf("Content-MD5");
    keepOneSpellingOf("Content-Type");

    const std::string stringToSign = stringToSignForHeaders(canonicalAmzHeaders(), resource);
    const std::string signature = base64forData(HMACSHA1withKey(secret, stringToSign));
    replaceRequestHeader("Authorization", stringWithFormat("AWS %s:%s", key.c_str(), signature.c_str()));
}

// --- Reading replies

void QNS3Request::requestFinished()
{
    m_retryBegan = false;
    if (shouldReadResponseXML() && responseHeader("Content-Type") == std::optional<std::string>("application/xml"))
        parseResponseXML();
    // A new attempt reports for itself.
    if (m_retryBegan || error())
        return;
    QNHTTPRequest::requestFinished();
}

void QNS3Request::parseResponseXML()
{
    auto body = responseData();
    if (!body || body->empty())
        return;
    m_currentXMLElementStack.clear();
    m_readingErrorDocument = false;
    auto parser = NSXMLParser::create(NSData::dataWithBytes(body->data(), body->size()));
    parser->setDelegate(this);
    parser->setShouldProcessNamespaces(false);
    parser->setShouldReportNamespacePrefixes(false);
    parser->setShouldResolveExternalEntities(false);
    parser->parse();
}

void QNS3Request::popElement()
{
    if (!m_currentXMLElementStack.empty())
        m_currentXMLElementStack.pop_back();
}

std::string QNS3Request::enclosingElement() const
{
    const auto& stack = m_currentXMLElementStack;
    return stack.size() < 2 ? std::string() : stack[stack.size() - 2];
}

void QNS3Request::parserParseErrorOccurred(NSXMLParser&, NSError& parseError)
{
    failWithError(NSError::create(NetworkRequestErrorDomain, QNConnectionFailureErrorType, kParseFailedDescription,
        RefPtr<NSError>(&parseError)));
}

void QNS3Request::parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>&,
    const std::optional<std::string>&, NSDictionary&)
{
    if (m_currentXMLElementStack.empty())
        m_readingErrorDocument = elementName == "Error";
    m_currentXMLElementContent.clear();
    m_currentXMLElementStack.push_back(elementName);
}

void QNS3Request::parserDidEndElement(NSXMLParser& parser, const std::string& elementName,
    const std::optional<std::string>&, const std::optional<std::string>&)
{
    popElement();
    if (!m_readingErrorDocument)
        return;
    if (elementName == "Message") {
        failWithError(NSError::create(NetworkRequestErrorDomain, QNRequestTimedOutErrorType, m_currentXMLElementContent));
    } else if (elementName == "Code" && m_currentXMLElementContent == "RequestTimeout") {
        if (retryUsingNewConnection()) {
            m_retryBegan = true;
            parser.abortParsing();
        }
    }
}

void QNS3Request::parserFoundCharacters(NSXMLParser&, const std::string& characters)
{
    m_currentXMLElementContent += characters;
}

} // namespace qv
