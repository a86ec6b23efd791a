#include "platform/CoreFoundation/CFURLEscaping.h"

#include "testing/Process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <sstream>

using namespace qv;

namespace {

// The escaping rules the system's requests use, as sets handed to the
// platform's escaping.
constexpr std::string_view s3PathEscaped = ":?#[]@!$ &'()*+,;=\"<>%{}|\\^~`";   // 29: keeps - . _ /
constexpr std::string_view formValueEscaped = ":/?#[]@!$ &'()*+,;=\"<>%{}|\\^~`"; // 31: keeps - . _

std::string escape(std::string_view text, std::string_view escaped = {}, std::string_view leave = {})
{
    return CFURLCreateStringByAddingPercentEscapes(text, leave, escaped);
}

} // namespace

TEST(CFURLEscaping, KeepsExactlyWhatEachRuleAllows)
{
    struct Case {
        std::string_view escapedAsWell;
        std::string kept;
    };
    // Every printable ASCII character that is not a letter or digit, against
    // each rule: the characters that stay, in order.
    for (const Case& rule : { Case { "", "!$&'()*+,-./:;=?@_~" }, Case { s3PathEscaped, "-./_" }, Case { formValueEscaped, "-._" } }) {
        std::string keptHere;
        for (char character = ' '; character <= '~'; ++character) {
            bool letterOrDigit = std::isalnum(static_cast<unsigned char>(character));
            std::string escaped = escape(std::string(1, character), rule.escapedAsWell);
            if (letterOrDigit) {
                EXPECT_EQ(escaped, std::string(1, character));
                continue;
            }
            if (escaped.size() == 1)
                keptHere += character;
            else
                EXPECT_EQ(escaped.size(), 3u) << character;
        }
        EXPECT_EQ(keptHere, rule.kept);
    }
}

TEST(CFURLEscaping, EscapesBytesAsUpperCaseHexadecimal)
{
    struct Case {
        std::string text;
        std::string_view escapedAsWell;
        std::string expected;
    };
    for (const Case& known : std::vector<Case> {
             { "a b/c", s3PathEscaped, "a%20b/c" },
             { "what?~100%", s3PathEscaped, "what%3F%7E100%25" },
             { "caf\xc3\xa9\n", s3PathEscaped, "caf%C3%A9%0A" },
             { std::string("nul\0end", 7), "", "nul%00end" },
             { "report#1", "", "report%231" },
             { "a+b=c&d", "", "a+b=c&d" },
             { "a+b=c&d", formValueEscaped, "a%2Bb%3Dc%26d" },
             { "\x7f\xff", "", "%7F%FF" },
             { "", s3PathEscaped, "" },
         })
        EXPECT_EQ(escape(known.text, known.escapedAsWell), known.expected) << known.text;
    // Characters left unescaped on purpose win over the rest.
    EXPECT_EQ(escape("a b#c", "#", " #"), "a b#c");
}

TEST(CFURLEscaping, AgreesWithPythonsQuoting)
{
    // Random UTF-8 text against urllib.parse.quote, which always keeps
    // letters, digits and "_.-~" and escapes UTF-8 bytes the same way.
    std::mt19937 random(2396);
    const std::vector<std::string> pieces { "a", "Z", "9", " ", "/", "~", "%", "#", "?", "+", "&", "=", ";", "'", "\"",
        "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\t", "\\", "[", "]", "|", "^", "`", "{", "}", "!", "*", "(", ")",
        "@", "$", ",", ":", "-", "_", "." };
    std::ostringstream input;
    std::vector<std::string> texts;
    for (int count = 0; count < 200; ++count) {
        std::string text;
        for (int length = random() % 12; length > 0; --length)
            text += pieces[random() % pieces.size()];
        texts.push_back(text);
        for (unsigned char byte : text)
            input << std::hex << (byte >> 4) << (byte & 15);
        input << "\n";
    }
    qv::testing::ProcessResult python = qv::testing::runPython(R"PY(
import sys, urllib.parse
for line in sys.stdin.read().split('\n')[:-1]:
    text = bytes.fromhex(line)
    print(urllib.parse.quote(text, safe="-_.!~*'();/?:@&=+$,"), urllib.parse.quote(text, safe='/').replace('~', '%7E'))
)PY", {}, input.str());
    ASSERT_EQ(python.exitCode, 0) << python.errors;
    std::vector<std::string> ours;
    for (const std::string& text : texts)
        ours.push_back(escape(text) + " " + escape(text, s3PathEscaped));
    EXPECT_EQ(ours, qv::testing::outputLines(python.output));
}
