#pragma once

#include "platform/Foundation/NSRange.h"

#include <optional>
#include <string>
#include <vector>

namespace qv {

// Text is kept as UTF-8; fields and their delegates speak in UTF-16 units.
// A byte that is not valid UTF-8 counts as one unit of its own, so no input
// can make the counting run past the end.

uint64_t utf16Length(const std::string& text);

// The bytes [first, second) that the range covers, or nothing when the range
// reaches past the end or splits a character.
std::optional<std::pair<size_t, size_t>> byteRangeOfUTF16Range(const std::string& text, NSRange range);

// The range of the last character, empty at 0 when the text is empty.
NSRange lastCharacterRange(const std::string& text);

// The text cut into its characters (code points), each as UTF-8.
std::vector<std::string> charactersOf(const std::string& text);

} // namespace qv
