#pragma once

#include "http/QNHTTPRequest.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qv {

enum QNPostFormat { QNMultipartFormDataPostFormat = 0, QNURLEncodedPostFormat = 1 };

// A request that sends an HTML form: named text values and named file or
// data parts, written as a URL-encoded or a multipart body when the request
// starts.
class QNFormDataRequest : public QNHTTPRequest {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNFormDataRequest> requestWithURL(RefPtr<NSURL> url);

    void addPostValue(const std::string& value, const std::string& forKey);
    void setPostValue(const std::string& value, const std::string& forKey);
    void addFile(const std::string& path, const std::string& forKey);
    void addFile(const std::string& path, std::optional<std::string> withFileName, std::optional<std::string> andContentType, const std::string& forKey);
    void setFile(const std::string& path, const std::string& forKey);
    void setFile(const std::string& path, std::optional<std::string> withFileName, std::optional<std::string> andContentType, const std::string& forKey);
    void addData(const std::string& data, const std::string& forKey);
    void addData(const std::string& data, const std::string& withFileName, std::optional<std::string> andContentType, const std::string& forKey);
    void setData(const std::string& data, const std::string& forKey);
    void setData(const std::string& data, const std::string& withFileName, std::optional<std::string> andContentType, const std::string& forKey);

    int postFormat() const { return m_postFormat; }
    void setPostFormat(int format) { m_postFormat = format; }
    NSStringEncoding stringEncoding() const { return m_stringEncoding; }
    void setStringEncoding(NSStringEncoding encoding) { m_stringEncoding = encoding; }

    void buildPostBody() override;
    Ref<QNHTTPRequest> copy() const override;
    std::string className() const override { return "QNFormDataRequest"; }

    // Percent-escapes text for a URL-encoded body: only letters, digits,
    // "-", "." and "_" stay; a space is "%20".
    std::string encodeURL(const std::string& text) const;

private:
    explicit QNFormDataRequest(RefPtr<NSURL> url);
    struct TextEntry {
        std::string key;
        std::string value;
    };
    struct PartEntry {
        std::string key;
        std::string fileName;
        std::string contentType;
        // The bytes, or the path of the file whose contents are sent.
        std::variant<std::string, std::string> data;
        bool isFile() const { return data.index() == 1; }
    };
    void buildURLEncodedPostBody();
    void buildMultipartFormDataPostBody();
    void appendPostString(const std::string& text);

    std::optional<std::vector<TextEntry>> m_postData;
    std::optional<std::vector<PartEntry>> m_fileData;
    int m_postFormat = QNURLEncodedPostFormat;
    NSStringEncoding m_stringEncoding = NSUTF8StringEncoding;
};

} // namespace qv
