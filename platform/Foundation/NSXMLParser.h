#pragma once

#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSXMLParserDelegate.h"
#include "platform/core/WeakPtr.h"

namespace qv {

inline constexpr const char* NSXMLParserErrorDomain = "NSXMLParserErrorDomain";

// Codes of NSXMLParserErrorDomain.
enum : NSInteger {
    NSXMLParserInternalError = 1,        // no parser could be made
    NSXMLParserNotWellFormedError = 2,   // the document breaks XML's rules
    NSXMLParserEntityRefusedError = 3,   // the document declares entities
    NSXMLParserDelegateAbortedParseError = 512,
};

// A push parser over a document in memory (expat underneath): parse() walks
// the document once and tells the delegate of every element start and end
// and every piece of text on the calling thread, as they come.
//
// Documents from the network are untrusted, so the parser never loads
// anything from outside the document and refuses any document that
// declares entities of its own (the only way to a entity expansion bomb);
// the five predefined entities and character references are read as usual.
class NSXMLParser : public NSObject {
public:
    static Ref<NSXMLParser> create(const NSData& data);

    // Held weakly; the parser keeps it alive only while parse() runs.
    void setDelegate(NSXMLParserDelegate* delegate) { m_delegate = delegate; }
    RefPtr<NSXMLParserDelegate> delegate() const { return m_delegate.lock(); }

    // With namespaces processed, an element's name is its local name and
    // its namespace URI and qualified name are reported too. All off by
    // default.
    void setShouldProcessNamespaces(bool value) { m_processNamespaces = value; }
    bool shouldProcessNamespaces() const { return m_processNamespaces; }
    void setShouldReportNamespacePrefixes(bool value) { m_reportPrefixes = value; }
    bool shouldReportNamespacePrefixes() const { return m_reportPrefixes; }
    // Kept for callers that set it; external entities are never resolved,
    // whatever it says.
    void setShouldResolveExternalEntities(bool value) { m_resolveExternalEntities = value; }
    bool shouldResolveExternalEntities() const { return m_resolveExternalEntities; }

    // Walks the whole document; YES when it was read to its end. A parse
    // may be run again; a parse started from the delegate is refused.
    bool parse();
    // From the delegate: stops the parse at once. parse() then answers NO
    // with the error NSXMLParserDelegateAbortedParseError, which is not
    // reported to the delegate (it asked for the stop).
    void abortParsing();
    // Why the last parse failed; absent after a successful one.
    RefPtr<NSError> parserError() const { return m_error; }

    // Where the parse is, during a callback or after an error.
    NSInteger lineNumber() const { return m_lineNumber; }
    NSInteger columnNumber() const { return m_columnNumber; }

    std::string className() const override { return "NSXMLParser"; }

private:
    QV_MAKE_REF_FRIEND;
    friend struct ExpatHandlers;
    explicit NSXMLParser(const NSData& data) : m_data(data) {}

    bool parseWith(void* expat, NSXMLParserDelegate* delegate);
    void stop(Ref<NSError> error);
    void notePosition();

    const Ref<const NSData> m_data;
    WeakPtr<NSXMLParserDelegate> m_delegate;
    bool m_processNamespaces = false;
    bool m_reportPrefixes = false;
    bool m_resolveExternalEntities = false;

    // Only while parse() runs, on its thread.
    void* m_expat = nullptr;
    NSXMLParserDelegate* m_activeDelegate = nullptr;
    bool m_aborted = false;
    RefPtr<NSError> m_error;
    NSInteger m_lineNumber = 0;
    NSInteger m_columnNumber = 0;
};

} // namespace qv
