#pragma once

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/NSURL.h"
#include "platform/Foundation/ValueLiteral.h"

#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv {

// Objects under text keys, kept in key order so that descriptions and
// written files come out the same every time. One class serves as the
// device's NSDictionary and NSMutableDictionary: dictionaries are shared by
// reference and changed in place (the system changes a caller's dictionary
// and hands back the same object); `mutableCopy` makes a separate one.
// Every call is safe from any thread; a dictionary never holds an absent
// object.
class NSDictionary : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    struct Entry {
        std::string key;
        ValueLiteral value;
    };

    static Ref<NSDictionary> create();
    // NSDictionary::create({ { "x", 10 }, { "QV", true } })
    static Ref<NSDictionary> create(std::initializer_list<Entry> entries);
    static Ref<NSDictionary> dictionaryWithEntries(std::map<std::string, Ref<NSObject>> entries);
    // A property-list file (XML or binary) at a device path whose top is a
    // dictionary; absent when the file is missing, unreadable, malformed,
    // too large or too deep, or holds something else at its top.
    static RefPtr<NSDictionary> dictionaryWithContentsOfFile(const std::string& path);
    // The same for property-list bytes in memory.
    static RefPtr<NSDictionary> dictionaryWithData(std::string_view bytes);
    // The same for the content at a URL, loaded synchronously within the
    // default bounds of loadContentsOfURL (time-out, size, redirects);
    // absent also when the load fails.
    static RefPtr<NSDictionary> dictionaryWithContentsOfURL(const NSURL& url);

    NSUInteger count() const;
    RefPtr<NSObject> objectForKey(const std::string& key) const;
    // The object under the key when it is of the kind asked for; absent
    // when the key is missing or holds another kind (as in a corrupt file).
    template<typename T>
    RefPtr<T> objectForKey(const std::string& key) const { return dynamicRefCast<T>(objectForKey(key)); }
    RefPtr<NSString> stringForKey(const std::string& key) const;
    RefPtr<NSNumber> numberForKey(const std::string& key) const;
    RefPtr<NSArray> arrayForKey(const std::string& key) const;
    RefPtr<NSDictionary> dictionaryForKey(const std::string& key) const;
    RefPtr<NSData> dataForKey(const std::string& key) const;
    RefPtr<NSDate> dateForKey(const std::string& key) const;

    // The keys in order, the objects in the order of their keys, and both
    // together, as they are now: iterating them is safe while the
    // dictionary changes.
    std::vector<std::string> allKeys() const;
    std::vector<Ref<NSObject>> allValues() const;
    std::vector<std::pair<std::string, Ref<NSObject>>> entries() const;
    // The first key, in key order, equal to this one in any case (header
    // field names); none when there is none.
    std::optional<std::string> keyEqualIgnoringCase(const std::string& key) const;

    void setObject(ValueLiteral value, const std::string& forKey);
    void removeObjectForKey(const std::string& key);
    void removeAllObjects();
    // Sets every entry of the other dictionary here, replacing equal keys.
    void addEntriesFromDictionary(const NSDictionary& other);

    // A new dictionary holding the same objects (not copies of them).
    Ref<NSDictionary> mutableCopy() const;

    // Writes the dictionary as an XML property list to a device path.
    // False, with the old file left whole, when the path does not resolve,
    // the write fails or the dictionary holds something a property list
    // cannot (an NSValue, an NSError, nesting beyond the depth limit).
    bool writeToFile(const std::string& path, bool atomically) const;

    std::string className() const override { return "NSDictionary"; }
    // "{\n    key = value;\n}"
    std::string description() const override { return descriptionAtLevel(0); }
    std::string descriptionAtLevel(unsigned level) const override;
    // Equal when both hold the same keys with equal objects.
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override { return count(); }

private:
    using Map = std::map<std::string, Ref<NSObject>>;
    NSDictionary() = default;
    explicit NSDictionary(Map entries) : m_entries(std::move(entries)) {}
    Map snapshot() const;

    mutable std::mutex m_lock;
    Map m_entries;
};

} // namespace qv
