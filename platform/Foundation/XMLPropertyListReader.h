#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/PropertyListExtent.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reads an XML property list in one pass of expat straight into values,
// measuring them as they come (PropertyListExtent) and stopping at the
// first thing wrong: XML that is not well-formed, a document type with an
// internal subset or an entity declaration (no expansion is ever needed),
// an element that is no property-list value, a number or date it cannot
// read whole, or anything beyond the limits.
class XMLPropertyListReader {
public:
    // The value at the top; nothing, with the reason in `error`, when the
    // document is refused.
    static RefPtr<NSObject> read(std::string_view bytes, std::string& error);

private:
    // One <dict> or <array> being read (or the document around the top).
    struct Container {
        enum class Kind { Document, Array, Dictionary } kind;
        PropertyListExtent extent;
        std::vector<Ref<NSObject>> members {};
        std::map<std::string, Ref<NSObject>> entries {};
        std::optional<std::string> key {}; // read, its value not yet
    };

    explicit XMLPropertyListReader(void* parser) : m_parser(parser) {}

    enum class Element { Plist, Dictionary, Array, Key, String, Integer, Real, True, False, Date, Data, Unknown };
    static Element elementNamed(const char* name);

    void start(const char* name, const char** attributes);
    void end(const char* name);
    void startContainer(Container::Kind kind);
    void endContainer();
    void endLeaf();
    void text(std::string_view characters);
    void stop(std::string reason);
    void add(Ref<NSObject> value, const PropertyListExtent& extent);

    static void startHandler(void* reader, const char* name, const char** attributes);
    static void endHandler(void* reader, const char* name);
    static void textHandler(void* reader, const char* characters, int length);
    static void doctypeHandler(void* reader, const char*, const char*, const char*, int hasInternalSubset);
    static void entityHandler(void* reader, const char*, int, const char*, int, const char*, const char*, const char*, const char*);

    void* m_parser;
    std::vector<Container> m_containers;
    std::optional<Element> m_leaf; // the text element being read
    std::string m_text;
    std::optional<std::string> m_dateSeconds; // of the date being read
    bool m_startedRoot = false;
    size_t m_values = 0;
    RefPtr<NSObject> m_top;
    std::string m_error;
};

} // namespace qv
