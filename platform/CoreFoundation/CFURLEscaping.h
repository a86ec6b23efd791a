#pragma once

#include <string>
#include <string_view>

namespace qv {

// The characters a URL may hold as they are (RFC 2396): letters, digits and
// these marks and separators.
inline constexpr std::string_view kCFURLLegalPunctuation = "-_.!~*'();/?:@&=+$,";

// Percent-escapes text for a URL. Every byte is written as "%" and two
// upper-case hexadecimal digits unless it is an ASCII letter or digit, one of
// kCFURLLegalPunctuation or one of `charactersToLeaveUnescaped`, and not one
// of `legalURLCharactersToBeEscaped` (a character in both sets is left
// unescaped). Control characters, bytes outside
// ASCII, the space, "%", "#" and the other characters a URL cannot hold as
// they are are always escaped (unless left unescaped on purpose).
//
// The text is taken as the bytes of its encoding: a caller with text in
// another encoding than UTF-8 converts it first, so that each of its bytes
// is escaped.
std::string CFURLCreateStringByAddingPercentEscapes(std::string_view bytes, std::string_view charactersToLeaveUnescaped,
    std::string_view legalURLCharactersToBeEscaped);

} // namespace qv
