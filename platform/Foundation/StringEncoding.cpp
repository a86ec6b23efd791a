#include "StringEncoding.h"

#include "TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace qv {

namespace {

struct Charset {
    NSStringEncoding encoding;
    const char* ianaName;    // the preferred name, given back by the device
    const char* iconvName;
    const char* aliases[6];
};

constexpr Charset charsets[] = {
    { NSASCIIStringEncoding, "us-ascii", "ASCII", { "ascii", "ansi_x3.4-1968", "iso-ir-6", "us", "csascii", nullptr } },
    { NSUTF8StringEncoding, "utf-8", "UTF-8", { "utf8", nullptr } },
    { NSISOLatin1StringEncoding, "iso-8859-1", "ISO-8859-1", { "latin1", "l1", "iso_8859-1", "iso-ir-100", "cp819", "csisolatin1" } },
    { NSISOLatin2StringEncoding, "iso-8859-2", "ISO-8859-2", { "latin2", "l2", "iso_8859-2", "csisolatin2", nullptr } },
    { NSJapaneseEUCStringEncoding, "euc-jp", "EUC-JP", { "cseucpkdfmtjapanese", nullptr } },
    { NSShiftJISStringEncoding, "shift_jis", "SHIFT_JIS", { "sjis", "ms_kanji", "csshiftjis", nullptr } },
    { NSISO2022JPStringEncoding, "iso-2022-jp", "ISO-2022-JP", { "csiso2022jp", nullptr } },
    { NSUnicodeStringEncoding, "utf-16", "UTF-16", { nullptr } },
    { NSUTF16BigEndianStringEncoding, "utf-16be", "UTF-16BE", { nullptr } },
    { NSUTF16LittleEndianStringEncoding, "utf-16le", "UTF-16LE", { nullptr } },
    { NSUTF32StringEncoding, "utf-32", "UTF-32", { nullptr } },
    { NSUTF32BigEndianStringEncoding, "utf-32be", "UTF-32BE", { nullptr } },
    { NSUTF32LittleEndianStringEncoding, "utf-32le", "UTF-32LE", { nullptr } },
    { NSWindowsCP1250StringEncoding, "windows-1250", "CP1250", { "cp1250", nullptr } },
    { NSWindowsCP1251StringEncoding, "windows-1251", "CP1251", { "cp1251", nullptr } },
    { NSWindowsCP1252StringEncoding, "windows-1252", "CP1252", { "cp1252", nullptr } },
    { NSWindowsCP1253StringEncoding, "windows-1253", "CP1253", { "cp1253", nullptr } },
    { NSWindowsCP1254StringEncoding, "windows-1254", "CP1254", { "cp1254", nullptr } },
    { NSMacOSRomanStringEncoding, "macintosh", "MACINTOSH", { "mac", "macroman", "csmacintosh", nullptr } },
};

std::string lowercased(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

const Charset* charsetOf(NSStringEncoding encoding)
{
    for (const Charset& charset : charsets)
        if (charset.encoding == encoding)
            return &charset;
    return nullptr;
}

// iconv from one charset to another; nothing on any invalid or
// unrepresentable byte.
std::optional<std::string> convert(std::string_view bytes, const char* from, const char* to)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string output;
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[4096];
    bool ok = true;
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<size_t>(out - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(converter);
    if (!ok)
        return std::nullopt;
    return output;
}

} // namespace

NSStringEncoding encodingForIANACharSetName(std::string_view name)
{
    const std::string wanted = lowercased(name);
    for (const Charset& charset : charsets) {
        if (wanted == charset.ianaName)
            return charset.encoding;
        for (const char* alias : charset.aliases)
            if (alias && wanted == alias)
                return charset.encoding;
    }
    return kCFStringEncodingInvalidId;
}

std::string IANACharSetNameOfEncoding(NSStringEncoding encoding)
{
    const Charset* charset = charsetOf(encoding);
    return charset ? charset->ianaName : "";
}

std::optional<std::string> stringFromBytes(std::string_view bytes, NSStringEncoding encoding)
{
    if (encoding == NSUTF8StringEncoding)
        return isValidUTF8(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    if (encoding == NSISOLatin1StringEncoding)
        return UTF8FromLatin1(bytes);
    const Charset* charset = charsetOf(encoding);
    if (!charset)
        return std::nullopt;
    return convert(bytes, charset->iconvName, "UTF-8");
}

std::optional<std::string> bytesFromString(std::string_view text, NSStringEncoding encoding)
{
    // Latin-1 is every header field sent: converted here, without a
    // converter opened for each.
    if (encoding == NSISOLatin1StringEncoding)
        return Latin1FromUTF8(text);
    if (!isValidUTF8(text))
        return std::nullopt;
    if (encoding == NSUTF8StringEncoding)
        return std::string(text);
    const Charset* charset = charsetOf(encoding);
    if (!charset)
        return std::nullopt;
    return convert(text, "UTF-8", charset->iconvName);
}

} // namespace qv
