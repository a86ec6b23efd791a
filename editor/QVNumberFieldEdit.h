#pragma once

#include "platform/Foundation/NSRange.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

// The editor's number fields (icon number, X and Y) take digits only. An
// edit is judged by the text it would really leave: the field's text with
// the range replaced, wherever the range lies and however long the
// replacement is, so a paste or an edit in the middle cannot slip a value
// past a limit or leave the field showing another number than the one used.
//
// The text the edit would leave, or nothing when the replacement holds
// anything but the digits 0 to 9 or the range lies outside the text.
std::optional<std::string> QVNumberFieldEditedText(const std::string& text, NSRange range, const std::string& replacement);

// The value of a text of digits (0 for none), held at a value far above any
// limit of the fields instead of overflowing.
int64_t QVNumberFieldValue(const std::string& digits);

} // namespace qv
