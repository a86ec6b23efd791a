#include "QNFormDataRequest.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/StringFormat.h"

#include <uuid/uuid.h>

#include <algorithm>

namespace qv {

namespace {

std::string lastPathComponent(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name or file name inside a quoted Content-Disposition parameter: a
// quote or a line break in it would end the parameter or the header, so
// they are percent-escaped, as browsers write them.
std::string dispositionText(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (c == '"')
            result += "%22";
        else if (c == '\r')
            result += "%0D";
        else if (c == '\n')
            result += "%0A";
        else
            result += c;
    }
    return result;
}

std::string newBoundary()
{
    uuid_t uuid;
    uuid_generate(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return std::string("0xKhTmLbOuNdArY-") + text;
}

} // namespace

Ref<QNFormDataRequest> QNFormDataRequest::requestWithURL(RefPtr<NSURL> url)
{
    return makeRef<QNFormDataRequest>(std::move(url));
}

QNFormDataRequest::QNFormDataRequest(RefPtr<NSURL> url)
    : QNHTTPRequest(std::move(url))
{
    setRequestMethod("POST");
}

void QNFormDataRequest::addPostValue(const std::string& value, const std::string& forKey)
{
    if (!m_postData)
        m_postData.emplace();
    m_postData->push_back({ forKey, value });
}

void QNFormDataRequest::setPostValue(const std::string& value, const std::string& forKey)
{
    if (m_postData)
        std::erase_if(*m_postData, [&](const TextEntry& entry) { return entry.key == forKey; });
    addPostValue(value, forKey);
}

void QNFormDataRequest::addFile(const std::string& path, const std::string& forKey)
{
    addFile(path, std::nullopt, std::nullopt, forKey);
}

void QNFormDataRequest::addFile(const std::string& path, std::optional<std::string> withFileName, std::optional<std::string> andContentType, const std::string& forKey)
{
    bool isDirectory = false;
    if (!NSFileManager::defaultManager()->fileExistsAtPath(path, isDirectory) || isDirectory)
        failWithError(NSError::create(NetworkRequestErrorDomain, QNInternalErrorWhileBuildingRequestType, stringWithFormat("No file exists at %s", path.c_str())));
    if (!withFileName)
        withFileName = lastPathComponent(path);
    if (!andContentType)
        andContentType = mimeTypeForFileAtPath(path);
    if (!m_fileData)
        m_fileData.emplace();
    PartEntry entry { forKey, *withFileName, andContentType.value_or("application/octet-stream"), {} };
    entry.data.emplace<1>(path);
    m_fileData->push_back(std::move(entry));
}

void QNFormDataRequest::setFile(const std::string& path, const std::string& forKey)
{
    setFile(path, std::nullopt, std::nullopt, forKey);
}

void QNFormDataRequest::setFile(const std::string& path, std::optional<std::string> withFileName, std::optional<std::string> andContentType, const std::string& forKey)
{
    if (m_fileData)
        std::erase_if(*m_fileData, [&](const PartEntry& entry) { return entry.key == forKey; });
    addFile(path, std::move(withFileName), std::move(andContentType), forKey);
}

void QNFormDataRequest::addData(const std::string& data, const std::string& forKey)
{
    addData(data, "file", std::nullopt, forKey);
}

void QNFormDataRequest::addData(const std::string& data, const std::string& withFileName, std::optional<std::string> andContentType, const std::string& forKey)
{
    if (!m_fileData)
        m_fileData.emplace();
    PartEntry entry { forKey, withFileName, andContentType.value_or("application/octet-stream"), {} };
    entry.data.emplace<0>(data);
    m_fileData->push_back(std::move(entry));
}

void QNFormDataRequest::setData(const std::string& data, const std::string& forKey)
{
    setData(data, "file", std::nullopt, forKey);
}

void QNFormDataRequest::setData(const std::string& data, const std::string& withFileName, std::optional<std::string> andContentType, const std::string& forKey)
{
    if (m_fileData)
        std::erase_if(*m_fileData, [&](const PartEntry& entry) { return entry.key == forKey; });
    addData(data, withFileName, std::move(andContentType), forKey);
}

void QNFormDataRequest::buildPostBody()
{
    if (haveBuiltPostBody())
        return;
    if (!m_postData && !m_fileData) {
        QNHTTPRequest::buildPostBody();
        return;
    }
    if (m_fileData && !m_fileData->empty())
        setShouldStreamPostDataFromDisk(true);
    if (m_postFormat == QNURLEncodedPostFormat)
        buildURLEncodedPostBody();
    else
        buildMultipartFormDataPostBody();
    QNHTTPRequest::buildPostBody();
}

void QNFormDataRequest::appendPostString(const std::string& text)
{
    auto bytes = bytesFromString(text, m_stringEncoding);
    appendPostData(bytes ? *bytes : text);
}

std::string QNFormDataRequest::encodeURL(const std::string& text) const
{
    auto bytes = bytesFromString(text, m_stringEncoding);
    std::string result;
    for (unsigned char c : bytes ? *bytes : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_')
            result += static_cast<char>(c);
        else
            result += stringWithFormat("%%%02X", c);
    }
    return result;
}

void QNFormDataRequest::buildURLEncodedPostBody()
{
    if (m_fileData && !m_fileData->empty()) {
        m_postFormat = QNMultipartFormDataPostFormat;
        buildMultipartFormDataPostBody();
        return;
    }
    addRequestHeader("Content-Type", "application/x-www-form-urlencoded; charset=" + IANACharSetNameOfEncoding(m_stringEncoding));
    if (!m_postData)
        return;
    for (size_t i = 0; i < m_postData->size(); ++i) {
        const auto& entry = (*m_postData)[i];
        appendPostString(encodeURL(entry.key) + "=" + encodeURL(entry.value) + (i + 1 < m_postData->size() ? "&" : ""));
    }
}

void QNFormDataRequest::buildMultipartFormDataPostBody()
{
    const std::string charset = IANACharSetNameOfEncoding(m_stringEncoding);
    const std::string boundary = newBoundary();
    addRequestHeader("Content-Type", "multipart/form-data; charset=" + charset + "; boundary=" + boundary);
    appendPostString("--" + boundary + "\r\n");
    const size_t texts = m_postData ? m_postData->size() : 0;
    const size_t parts = m_fileData ? m_fileData->size() : 0;
    for (size_t i = 0; i < texts; ++i) {
        const auto& entry = (*m_postData)[i];
        appendPostString("Content-Disposition: form-data; name=\"" + dispositionText(entry.key) + "\"\r\n\r\n");
        appendPostString(entry.value);
        if (i + 1 < texts || parts > 0)
            appendPostString("\r\n--" + boundary + "\r\n");
    }
    for (size_t i = 0; i < parts; ++i) {
        const auto& entry = (*m_fileData)[i];
        appendPostString("Content-Disposition: form-data; name=\"" + dispositionText(entry.key) + "\"; filename=\"" + dispositionText(entry.fileName) + "\"\r\n");
        appendPostString("Content-Type: " + dispositionText(entry.contentType) + "\r\n\r\n");
        if (entry.isFile())
            appendPostDataFromFile(std::get<1>(entry.data));
        else
            appendPostData(std::get<0>(entry.data));
        if (i + 1 < parts)
            appendPostString("\r\n--" + boundary + "\r\n");
    }
    appendPostString("\r\n--" + boundary + "--\r\n");
}

Ref<QNHTTPRequest> QNFormDataRequest::copy() const
{
    auto copy = makeRef<QNFormDataRequest>(url());
    copySettingsInto(copy);
    // Made after the body was built, the copy sends that body (with its
    // boundary) as it is; before, it builds its own.
    if (!haveBuiltPostBody()) {
        copy->m_postData = m_postData;
        copy->m_fileData = m_fileData;
    }
    copy->m_postFormat = m_postFormat;
    copy->m_stringEncoding = m_stringEncoding;
    copy->setRequestMethod(requestMethod());
    return copy;
}

} // namespace qv
