#include "NSDictionary.h"

#include "NSArray.h"
#include "NSData.h"
#include "NSDate.h"
#include "NSNumber.h"
#include "NSPropertyListSerialization.h"
#include "NSString.h"
#include "URLLoading.h"

#include <strings.h>

namespace qv {

Ref<NSDictionary> NSDictionary::create()
{
    return makeRef<NSDictionary>();
}

Ref<NSDictionary> NSDictionary::create(std::initializer_list<Entry> entries)
{
    Map map;
    for (const Entry& entry : entries)
        map.insert_or_assign(entry.key, entry.value.object());
    return makeRef<NSDictionary>(std::move(map));
}

Ref<NSDictionary> NSDictionary::dictionaryWithEntries(std::map<std::string, Ref<NSObject>> entries)
{
    return makeRef<NSDictionary>(std::move(entries));
}

RefPtr<NSDictionary> NSDictionary::dictionaryWithContentsOfFile(const std::string& path)
{
    return dynamicRefCast<NSDictionary>(NSPropertyListSerialization::propertyListWithContentsOfFile(path));
}

RefPtr<NSDictionary> NSDictionary::dictionaryWithData(std::string_view bytes)
{
    return dynamicRefCast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(bytes));
}

RefPtr<NSDictionary> NSDictionary::dictionaryWithContentsOfURL(const NSURL& url)
{
    auto contents = loadContentsOfURL(url);
    if (!contents)
        return nullptr;
    return dictionaryWithData(*contents);
}

NSUInteger NSDictionary::count() const
{
    std::lock_guard guard(m_lock);
    return m_entries.size();
}

RefPtr<NSObject> NSDictionary::objectForKey(const std::string& key) const
{
    std::lock_guard guard(m_lock);
    auto found = m_entries.find(key);
    if (found == m_entries.end())
        return nullptr;
    return found->second;
}

RefPtr<NSString> NSDictionary::stringForKey(const std::string& key) const { return objectForKey<NSString>(key); }
RefPtr<NSNumber> NSDictionary::numberForKey(const std::string& key) const { return objectForKey<NSNumber>(key); }
RefPtr<NSArray> NSDictionary::arrayForKey(const std::string& key) const { return objectForKey<NSArray>(key); }
RefPtr<NSDictionary> NSDictionary::dictionaryForKey(const std::string& key) const { return objectForKey<NSDictionary>(key); }
RefPtr<NSData> NSDictionary::dataForKey(const std::string& key) const { return objectForKey<NSData>(key); }
RefPtr<NSDate> NSDictionary::dateForKey(const std::string& key) const { return objectForKey<NSDate>(key); }

std::optional<std::string> NSDictionary::keyEqualIgnoringCase(const std::string& key) const
{
    std::lock_guard guard(m_lock);
    for (const auto& [known, value] : m_entries)
        if (known.size() == key.size() && strcasecmp(known.c_str(), key.c_str()) == 0)
            return known;
    return std::nullopt;
}

NSDictionary::Map NSDictionary::snapshot() const
{
    std::lock_guard guard(m_lock);
    return m_entries;
}

std::vector<std::string> NSDictionary::allKeys() const
{
    std::vector<std::string> keys;
    for (auto& [key, value] : snapshot())
        keys.push_back(key);
    return keys;
}

std::vector<Ref<NSObject>> NSDictionary::allValues() const
{
    std::vector<Ref<NSObject>> values;
    for (auto& [key, value] : snapshot())
        values.push_back(value);
    return values;
}

std::vector<std::pair<std::string, Ref<NSObject>>> NSDictionary::entries() const
{
    auto map = snapshot();
    return { map.begin(), map.end() };
}

void NSDictionary::setObject(ValueLiteral value, const std::string& forKey)
{
    // A replaced object is released after the lock is given up, in case its
    // destruction reaches other containers.
    RefPtr<NSObject> replaced;
    std::lock_guard guard(m_lock);
    auto [position, inserted] = m_entries.try_emplace(forKey, value.object());
    if (!inserted) {
        replaced = position->second;
        position->second = value.object();
    }
}

void NSDictionary::removeObjectForKey(const std::string& key)
{
    Map removed;
    std::lock_guard guard(m_lock);
    if (auto node = m_entries.extract(key))
        removed.insert(std::move(node));
}

void NSDictionary::removeAllObjects()
{
    Map removed;
    std::lock_guard guard(m_lock);
    m_entries.swap(removed);
}

void NSDictionary::addEntriesFromDictionary(const NSDictionary& other)
{
    for (auto& [key, value] : other.snapshot())
        setObject(value, key);
}

Ref<NSDictionary> NSDictionary::mutableCopy() const
{
    return makeRef<NSDictionary>(snapshot());
}

bool NSDictionary::writeToFile(const std::string& path, bool atomically) const
{
    return NSPropertyListSerialization::writePropertyList(*this, path, atomically);
}

std::string NSDictionary::descriptionAtLevel(unsigned level) const
{
    std::string inner((level + 1) * 4, ' ');
    std::string text = "{\n";
    for (auto& [key, value] : snapshot())
        text += inner + NSString::create(key)->descriptionAtLevel(level + 1) + " = " + value->descriptionAtLevel(level + 1) + ";\n";
    return text + std::string(level * 4, ' ') + "}";
}

bool NSDictionary::isEqual(const NSObject* other) const
{
    auto* dictionary = dynamic_cast<const NSDictionary*>(other);
    if (!dictionary)
        return false;
    if (dictionary == this)
        return true;
    auto mine = snapshot();
    auto theirs = dictionary->snapshot();
    if (mine.size() != theirs.size())
        return false;
    for (auto& [key, value] : mine) {
        auto found = theirs.find(key);
        if (found == theirs.end() || !value->isEqual(found->second.ptr()))
            return false;
    }
    return true;
}

} // namespace qv
