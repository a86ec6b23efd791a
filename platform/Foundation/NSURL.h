#pragma once

#include "platform/Foundation/NSObject.h"

#include <string>

namespace qv {

// An absolute URL, immutable. Parsed once when made; its parts come back
// percent-decoded where the device decodes them (the path).
class NSURL : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    // Nothing for text that is no absolute URL (no scheme, spaces or
    // control characters, a malformed host or port).
    static RefPtr<NSURL> URLWithString(const std::string& text);
    // The text resolved against a base URL as a browser resolves a link
    // (RFC 3986): an absolute text stands alone, a relative one takes what
    // it lacks from the base. Nothing when the result does not parse.
    static RefPtr<NSURL> URLWithString(const std::string& text, const NSURL* relativeToURL);
    // A file URL for an absolute device path; characters a URL cannot
    // carry are percent-encoded. Nothing for a relative path.
    static RefPtr<NSURL> fileURLWithPath(const std::string& path);

    const std::string& absoluteString() const { return m_text; }
    // In lower case: "http", "https", "file".
    const std::string& scheme() const { return m_scheme; }
    const std::string& host() const { return m_host; }
    // Decoded: "file:///Applications/Quilt%20Vane.app" has the path
    // "/Applications/Quilt Vane.app".
    const std::string& path() const { return m_path; }
    // The port written in the URL, or 0 when it names none.
    int port() const { return m_port; }
    // The scheme's port where the URL names none (80, 443), else port().
    int effectivePort() const;
    // Still percent-encoded, as the text has them; empty when absent.
    const std::string& query() const { return m_query; }
    const std::string& user() const { return m_user; }
    const std::string& password() const { return m_password; }
    // What an HTTP request line carries: the path and query exactly as the
    // URL's text has them ("/" for an empty path).
    const std::string& requestTarget() const { return m_requestTarget; }
    bool isFileURL() const { return m_scheme == "file"; }

    std::string className() const override { return "NSURL"; }
    std::string description() const override { return m_text; }
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    struct Parts {
        std::string text, scheme, host, path, query, user, password, requestTarget;
        int port = 0;
    };
    explicit NSURL(Parts parts);
    // A URL from the whole text, or a file URL from a path; nothing when
    // the parser refuses it.
    static RefPtr<NSURL> parse(const std::string& text, bool isFilePath, const NSURL* base = nullptr);

    const std::string m_text;
    const std::string m_scheme;
    const std::string m_host;
    const std::string m_path;
    const std::string m_query;
    const std::string m_user;
    const std::string m_password;
    const std::string m_requestTarget;
    const int m_port;
};

} // namespace qv
