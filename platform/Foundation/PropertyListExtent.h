#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

class NSNumber;
class NSObject;

// What a value amounts to once written out as an XML property list: its
// values (every reference expanded, keys not counted), how deeply they
// nest, and the bytes of its XML. Readers measure what they read with it
// and refuse a document whose values could not be written and read back;
// so a binary file whose objects share references cannot expand to more
// than a readable XML document, however small it is itself.
//
// The writer puts each value on lines of its own, indented with a tab per
// level, so a value written at a depth d takes `bytes + lines * d` bytes:
// the measure is exact, of the value alone, the same whichever file it
// came from.
class PropertyListExtent {
public:
    enum class Container { Array, Dictionary };

    static PropertyListExtent ofLeaf(const NSObject& value);
    static PropertyListExtent ofBoolean(bool value);
    static PropertyListExtent ofInteger(const NSNumber& integer);
    static PropertyListExtent ofReal(double real);
    static PropertyListExtent ofDate(double sinceReferenceDate);
    static PropertyListExtent ofString(std::string_view text);
    static PropertyListExtent ofData(size_t length);
    // An empty container; members and keys are added to it.
    static PropertyListExtent ofContainer(Container kind);

    void addKey(std::string_view key);
    void addMember(const PropertyListExtent& member);

    uint64_t values() const { return m_values; }
    unsigned depth() const { return m_depth; }
    // The bytes of a whole document holding this value at its top.
    uint64_t documentBytes() const;
    // Whether a document of this value is within every reading limit.
    bool fits() const;

    // The length of text as the writer escapes it.
    static uint64_t escapedLength(std::string_view text);

    // What the writer puts around the top value.
    static constexpr std::string_view prologue =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n";
    static constexpr std::string_view epilogue = "</plist>\n";

private:
    PropertyListExtent(uint64_t bytes, uint64_t lines) : m_bytes(bytes), m_lines(lines) {}

    uint64_t m_bytes;
    uint64_t m_lines;
    uint64_t m_values = 1;
    unsigned m_depth = 1;
    bool m_isEmptyContainer = false;
    bool m_isDictionary = false;
};

} // namespace qv
