#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/NSXMLParser.h"

#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace qv;

namespace {

// Writes down every event as a line, texts of one run gathered into one.
class Recorder : public NSXMLParserDelegate {
public:
    std::vector<std::string> events;
    std::vector<Ref<NSError>> errors;
    std::function<void(NSXMLParser&, const std::string&)> onEnd;

    void parserDidStartDocument(NSXMLParser&) override { events.push_back("begin"); }
    void parserDidEndDocument(NSXMLParser&) override { flushText(); events.push_back("end"); }
    void parserDidStartElement(NSXMLParser&, const std::string& name, const std::optional<std::string>& uri,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override
    {
        flushText();
        std::string line = "<" + name;
        if (uri)
            line += " {" + *uri + "} " + qualifiedName.value_or("?");
        for (auto& [key, value] : attributes.entries())
            line += " " + key + "=" + value->description();
        events.push_back(line + ">");
    }
    void parserDidEndElement(NSXMLParser& parser, const std::string& name, const std::optional<std::string>& uri,
        const std::optional<std::string>& qualifiedName) override
    {
        flushText();
        events.push_back("</" + name + (uri ? " {" + *uri + "} " + qualifiedName.value_or("?") : "") + ">");
        if (onEnd)
            onEnd(parser, name);
    }
    void parserFoundCharacters(NSXMLParser&, const std::string& characters) override { m_text += characters; }
    void parserDidStartMappingPrefix(NSXMLParser&, const std::string& prefix, const std::string& uri) override
    {
        events.push_back("map " + prefix + "=" + uri);
    }
    void parserDidEndMappingPrefix(NSXMLParser&, const std::string& prefix) override { events.push_back("unmap " + prefix); }
    void parserParseErrorOccurred(NSXMLParser&, NSError& error) override { errors.push_back(error); }

    std::string allText() const
    {
        std::string text;
        for (const std::string& event : events) {
            if (event.rfind("text ", 0) == 0)
                text += event.substr(5);
        }
        return text;
    }

private:
    void flushText()
    {
        // Whitespace between elements is reported too; the tests read
        // only the text that means something.
        if (m_text.find_first_not_of(" \n\t") != std::string::npos)
            events.push_back("text " + m_text);
        m_text.clear();
    }
    std::string m_text;
};

struct ParseOutcome {
    bool parsed;
    Ref<Recorder> recorder;
    RefPtr<NSError> error;
};

ParseOutcome parseDocument(const std::string& document, bool namespaces = false, bool prefixes = false,
    std::function<void(NSXMLParser&, const std::string&)> onEnd = nullptr)
{
    Ref<NSXMLParser> parser = NSXMLParser::create(NSData::dataWithBytes(document.data(), document.size()));
    auto recorder = makeRef<Recorder>();
    recorder->onEnd = std::move(onEnd);
    parser->setDelegate(recorder.ptr());
    parser->setShouldProcessNamespaces(namespaces);
    parser->setShouldReportNamespacePrefixes(prefixes);
    bool parsed = parser->parse();
    return { parsed, recorder, parser->parserError() };
}

constexpr const char* bucketListing = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/"><Name>photos</Name>
  <Contents><Key>caf&#233; &amp; b&lt;2&gt;.jpg</Key><Size>3000000000</Size></Contents>
  <CommonPrefixes><Prefix><![CDATA[2014/<raw>]]></Prefix></CommonPrefixes>
</ListBucketResult>)";

} // namespace

TEST(NSXMLParser, ReportsElementsAndTextInDocumentOrder)
{
    ParseOutcome outcome = parseDocument(bucketListing);
    EXPECT_TRUE(outcome.parsed);
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.recorder->events, (std::vector<std::string> { "begin",
        "<ListBucketResult xmlns=http://s3.amazonaws.com/doc/2006-03-01/>", "<Name>", "text photos", "</Name>",
        "<Contents>", "<Key>", "text caf\xc3\xa9 & b<2>.jpg", "</Key>", "<Size>", "text 3000000000", "</Size>", "</Contents>",
        "<CommonPrefixes>", "<Prefix>", "text 2014/<raw>", "</Prefix>", "</CommonPrefixes>", "</ListBucketResult>", "end" }));
    EXPECT_TRUE(outcome.recorder->errors.empty());
}

TEST(NSXMLParser, ProcessesNamespacesOnlyWhenAsked)
{
    const std::string document = R"(<a:Root xmlns:a="urn:one" xmlns="urn:two"><Item a:kind="x">1</Item></a:Root>)";
    EXPECT_EQ(parseDocument(document, true).recorder->events, (std::vector<std::string> { "begin",
        "<Root {urn:one} a:Root>", "<Item {urn:two} Item a:kind=x>", "text 1", "</Item {urn:two} Item>",
        "</Root {urn:one} a:Root>", "end" }));
    EXPECT_EQ(parseDocument(document, true, true).recorder->events, (std::vector<std::string> { "begin",
        "map a=urn:one", "map =urn:two", "<Root {urn:one} a:Root>", "<Item {urn:two} Item a:kind=x>", "text 1",
        "</Item {urn:two} Item>", "</Root {urn:one} a:Root>", "unmap ", "unmap a", "end" }));
    EXPECT_EQ(parseDocument(document).recorder->events, (std::vector<std::string> { "begin",
        "<a:Root xmlns=urn:two xmlns:a=urn:one>", "<Item a:kind=x>", "text 1", "</Item>", "</a:Root>", "end" }));
}

TEST(NSXMLParser, ReadsDeclaredEncodingsAsUTF8)
{
    std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Name>caf\xe9</Name>";
    EXPECT_EQ(parseDocument(latin1).recorder->events,
        (std::vector<std::string> { "begin", "<Name>", "text caf\xc3\xa9", "</Name>", "end" }));
}

TEST(NSXMLParser, RefusesDocumentsThatDeclareEntities)
{
    const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">
<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
<!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
<!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
<!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
<!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
<!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
<!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">]><Error><Message>&lol9;</Message></Error>)";
    const std::string external = R"(<?xml version="1.0"?><!DOCTYPE Error [<!ENTITY secret SYSTEM "file:///etc/passwd">]>
<Error><Message>&secret;</Message></Error>)";
    const std::string parameter = R"(<?xml version="1.0"?><!DOCTYPE Error [<!ENTITY % remote SYSTEM "http://127.0.0.1:9/x.dtd"> %remote;]>
<Error/>)";
    for (const std::string& document : { laughs, external, parameter }) {
        ParseOutcome outcome = parseDocument(document);
        EXPECT_FALSE(outcome.parsed);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain(), NSXMLParserErrorDomain);
        EXPECT_EQ(outcome.error->code(), NSXMLParserEntityRefusedError);
        ASSERT_EQ(outcome.recorder->errors.size(), 1u);
        EXPECT_EQ(outcome.recorder->errors[0].ptr(), outcome.error.get());
        for (const std::string& event : outcome.recorder->events)
            EXPECT_EQ(event.find("lol"), std::string::npos) << event;
        EXPECT_EQ(std::count(outcome.recorder->events.begin(), outcome.recorder->events.end(), "<Message>"), 0);
    }
}

TEST(NSXMLParser, NeverLoadsAnExternalDocumentType)
{
    // The document type outside the document declares an entity and holds
    // a secret; neither may reach the reader.
    qv::testing::TemporaryDirectory folder;
    std::ofstream(folder.path() / "outside.dtd") << "<!ENTITY secret \"the secret\">";
    std::string document = "<?xml version=\"1.0\"?><!DOCTYPE Error SYSTEM \"file://" + (folder.path() / "outside.dtd").string()
        + "\"><Error><Message>a &secret; b</Message></Error>";
    ParseOutcome outcome = parseDocument(document);
    for (const std::string& event : outcome.recorder->events)
        EXPECT_EQ(event.find("secret"), std::string::npos) << event;
    EXPECT_TRUE(outcome.parsed);
}

TEST(NSXMLParser, MalformedDocumentsFailOnceWithWhere)
{
    struct Case {
        std::string document;
        NSInteger line;
    };
    for (const Case& malformed : std::vector<Case> { { "<Error>\n<Code>x</Error>", 2 }, { "", 1 },
             { "<Error>&undefined;</Error>", 1 }, { "<a>\n\n<b>\xff</b></a>", 3 }, { "<a/><b/>", 1 }, { "<a>", 1 } }) {
        ParseOutcome outcome = parseDocument(malformed.document);
        EXPECT_FALSE(outcome.parsed) << malformed.document;
        ASSERT_TRUE(outcome.error) << malformed.document;
        EXPECT_EQ(outcome.error->code(), NSXMLParserNotWellFormedError);
        EXPECT_NE(outcome.error->localizedDescription().find("line " + std::to_string(malformed.line)), std::string::npos)
            << outcome.error->localizedDescription();
        EXPECT_EQ(outcome.recorder->errors.size(), 1u);
        EXPECT_EQ(std::count(outcome.recorder->events.begin(), outcome.recorder->events.end(), "end"), 0);
    }
}

TEST(NSXMLParser, AbortFromTheDelegateStopsAtOnceWithoutAnErrorReport)
{
    ParseOutcome outcome = parseDocument("<Error><Code>RequestTimeout</Code><Message>later</Message></Error>", false, false,
        [](NSXMLParser& parser, const std::string& name) {
            if (name == "Code")
                parser.abortParsing();
        });
    EXPECT_FALSE(outcome.parsed);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), NSXMLParserDelegateAbortedParseError);
    EXPECT_TRUE(outcome.recorder->errors.empty());
    EXPECT_EQ(outcome.recorder->events.back(), "</Code>");
}

TEST(NSXMLParser, RunsAgainAndWithoutADelegate)
{
    Ref<NSXMLParser> parser = NSXMLParser::create(NSData::dataWithBytes(bucketListing, strlen(bucketListing)));
    EXPECT_TRUE(parser->parse());
    {
        auto recorder = makeRef<Recorder>();
        parser->setDelegate(recorder.ptr());
        // A parse started from inside a parse is refused; the outer one goes on.
        recorder->onEnd = [&](NSXMLParser& sameParser, const std::string&) { EXPECT_FALSE(sameParser.parse()); };
        EXPECT_TRUE(parser->parse());
        EXPECT_EQ(recorder->events.size(), 20u);
        recorder->onEnd = nullptr;
        EXPECT_TRUE(parser->parse());
        EXPECT_EQ(recorder->events.size(), 40u);
    }
    EXPECT_FALSE(parser->delegate());
    EXPECT_TRUE(parser->parse());
    EXPECT_FALSE(parser->parserError());
}
