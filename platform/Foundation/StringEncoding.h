#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The device's string encodings, by their numbers.
using NSStringEncoding = uint32_t;
enum : NSStringEncoding {
    NSASCIIStringEncoding = 1,
    NSNEXTSTEPStringEncoding = 2,
    NSJapaneseEUCStringEncoding = 3,
    NSUTF8StringEncoding = 4,
    NSISOLatin1StringEncoding = 5,
    NSShiftJISStringEncoding = 8,
    NSISOLatin2StringEncoding = 9,
    NSUnicodeStringEncoding = 10,
    NSWindowsCP1251StringEncoding = 11,
    NSWindowsCP1252StringEncoding = 12,
    NSWindowsCP1253StringEncoding = 13,
    NSWindowsCP1254StringEncoding = 14,
    NSWindowsCP1250StringEncoding = 15,
    NSISO2022JPStringEncoding = 21,
    NSMacOSRomanStringEncoding = 30,
    NSUTF16BigEndianStringEncoding = 0x90000100,
    NSUTF16LittleEndianStringEncoding = 0x94000100,
    NSUTF32StringEncoding = 0x8c000100,
    NSUTF32BigEndianStringEncoding = 0x98000100,
    NSUTF32LittleEndianStringEncoding = 0x9c000100,
};
inline constexpr NSStringEncoding kCFStringEncodingInvalidId = 0xffffffffu;

// The encoding an IANA character-set name (any case, "utf-8", "latin1",
// "windows-1252", ...) stands for; kCFStringEncodingInvalidId for a name
// the device does not know.
NSStringEncoding encodingForIANACharSetName(std::string_view name);
// The IANA name of an encoding, empty for an unknown one.
std::string IANACharSetNameOfEncoding(NSStringEncoding encoding);

// Bytes in an encoding as UTF-8 text; nothing when they are not valid in
// it (or the encoding is unknown).
std::optional<std::string> stringFromBytes(std::string_view bytes, NSStringEncoding encoding);
// UTF-8 text in an encoding; nothing when a character has no form in it.
std::optional<std::string> bytesFromString(std::string_view text, NSStringEncoding encoding);

} // namespace qv
