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
    bool isFileURL() const { return m_scheme == "file"; }

    std::string className() const override { return "NSURL"; }
    std::string description() const override { return m_text; }
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    NSURL(std::string text, std::string scheme, std::string host, std::string path);
    // A URL from the whole text, or a file URL from a path; nothing when
    // the parser refuses it.
    static RefPtr<NSURL> parse(const std::string& text, bool isFilePath);

    const std::string m_text;
    const std::string m_scheme;
    const std::string m_host;
    const std::string m_path;
};

} // namespace qv
