#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Text in the value model is UTF-8. Binary property lists may carry bytes
// that are not (an "ASCII" string with high bytes), and XML can carry only
// some characters; these helpers keep both rules.

bool isValidUTF8(std::string_view text);
// Every byte taken as a Latin-1 character.
std::string UTF8FromLatin1(std::string_view text);
// Each character as its Latin-1 byte; nothing for text that is no valid
// UTF-8 or holds a character beyond Latin-1.
std::optional<std::string> Latin1FromUTF8(std::string_view text);
// The UTF-16 code units of UTF-8 text; nothing for text that is no valid
// UTF-8.
std::optional<std::u16string> UTF16FromUTF8(std::string_view text);
// Valid UTF-8 holding only characters an XML document may contain (no
// control characters but tab, line feed and carriage return).
bool isXMLText(std::string_view text);

} // namespace qv
